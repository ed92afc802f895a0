// SPDX-License-Identifier: MIT
#pragma once

#include "PartHistory.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

// A window's own changes since it started, undone and redone in order. Nothing is undone over
// a later change by someone else: each step first checks, in the transaction that would write,
// that what it wrote is still there, and otherwise tells who changed it and when. Every undo
// and redo is itself recorded in the history.
class PartUndo final {
public:
    struct Step {
        enum class Kind { Edit, New, Delete, Restore, Import };
        Kind kind = Kind::Edit;
        std::int64_t partId = 0; // Edit, New
        QString partNumber;      // Edit, New; Import: the file's name
        QString field;           // Edit
        PartHistory::Value before;
        PartHistory::Value after;
        QStringList rows; // New, Import: the rows as made; Delete, Restore: the rows deleted or brought back
        std::vector<Step> edits; // Import: the fields it changed of existing parts
    };

    void push(Step step);

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    // What the menu entries name ("Undo Edit of Bin", "Redo Delete of 3 Parts"), or plain
    // "Undo" / "Redo" when there is nothing.
    QString undoText() const;
    QString redoText() const;

    enum class Outcome { Done, Refused, Failed };
    // Refusals are told to the user, failures reported; a step refused or failed stays where it is.
    Outcome undo();
    Outcome redo();

    // The part the last undo or redo acted on (0 for several).
    std::int64_t lastPart() const { return m_lastPart; }

private:
    static QString describe(const Step &step);
    Outcome apply(Step &step, bool undo);
    Outcome applyImport(Step &step, bool undo);

    std::vector<Step> m_undo;
    std::vector<Step> m_redo;
    std::int64_t m_lastPart = 0;
};
