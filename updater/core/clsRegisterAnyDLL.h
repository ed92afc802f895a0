// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

// Registers one component (a DLL or OCX) by starting the registration tool on it,
// without waiting for the tool beyond a fixed pause. Result() tells whether the tool
// and the component were found and the tool started, not whether registration worked.
class clsRegisterAnyDLL final {
public:
    enum : int {
        Started = 0,
        ToolNotFound = 1,
        ComponentNotFound = 2, // a bare name, in neither folder
        NameEmpty = 3,
        PathNotFound = 4, // a name with a path, nothing there
        NotStarted = 7,
        RunTimeError = 13,
    };

    void RegisterDLL(bool blnQuiet = false);

    QString DLLName() const { return m_dllName; }
    void setDLLName(const QString &name) { m_dllName = name; }
    int Result() const { return m_result; }

    static QString GetShortName(const QString &longFileName);
    static QString toolName() { return QStringLiteral("regsvr32.exe"); }

    // The program and arguments that start `tool` on `target`: a native program (a
    // script or an ELF file, such as a stand-in) runs as it is; a Windows tool runs
    // through Wine and is given the component as a Windows path, because a path
    // beginning with "/" would read as one of its switches.
    static void commandFor(const QString &tool, const QString &target, bool quiet, QString *program,
                           QStringList *arguments);

private:
    void locateAndStart(bool quiet);

    QString m_dllName;
    int m_result = Started;
};
