// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>

class QWidget;

// Opens a compiled help file at a numeric context ID in one of its window types,
// after checking that the name is a .chm name and that the file exists.
class HTMLHelp final {
public:
    HTMLHelp();
    HTMLHelp(const HTMLHelp &) = delete;
    HTMLHelp &operator=(const HTMLHelp &) = delete;

    QString CHMFile() const { return m_chmFile; }
    void setCHMFile(const QString &file) { m_chmFile = file; }
    std::int32_t HHTopicID() const { return m_topicId; }
    void setHHTopicID(std::int32_t id) { m_topicId = id; }
    QString HHWindow() const { return m_window; }
    void setHHWindow(const QString &window) { m_window = window; }
    bool HHShowOnTop() const { return m_showOnTop; }
    void setHHShowOnTop(bool onTop) { m_showOnTop = onTop; }
    std::uintptr_t HHWndHandle() const { return m_wndHandle; }

    // The help window is owned by `caller` only when show-on-top is set.
    void HHDisplayTopicID(const QWidget *caller = nullptr);

    // How many have been made in this process; one shared instance serves each program.
    static int instancesCreated();

private:
    bool EnsureFileExists() const;

    QString m_chmFile;
    std::int32_t m_topicId = 0;
    QString m_window;
    bool m_showOnTop = false;
    std::uintptr_t m_wndHandle = 0;
};
