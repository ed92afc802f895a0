<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>CommandLine</name>
    <message>
        <source>%1: %2
Try &apos;%1 --help&apos; for more information.
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos;</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>FormPlacement</name>
    <message>
        <source>The stored window placement %1 is not a number within the screen&apos;s range; the default is used.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HTMLHelp</name>
    <message>
        <source>HTML Help Class</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file %1 does not exist.
Please make sure the correct path and file name have been specified.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not a valid HTML Help file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The help file %1 could not be shown: no program to show it was found.
Please install a viewer for HTML Help (.chm) files, such as xCHM.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>HiveReport</name>
    <message>
        <source>The settings file %1 cannot be written: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The settings file %1 cannot be read: %2.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>QtUiServices</name>
    <message>
        <source>Open With - %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Program:</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RegCommandLine</name>
    <message>
        <source>&quot;%1&quot; is not a switch of %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is given more than once.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 belongs to ADD only.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>/f belongs to ADD and DELETE only.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 needs a %2 after it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>value name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>data text</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>type</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 needs /v NAME.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ADD needs /d DATA.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ERROR: Invalid REG_DWORD data: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ERROR: Unsupported type %1.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RegistryHive</name>
    <message>
        <source>it is locked by another program</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it is not a settings file (it is damaged or of another kind)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it is damaged</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it may not be written</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>it cannot be opened</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the file reports: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the key is not open for writing</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>frmAbout</name>
    <message>
        <source>Version %1.%2.%3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;System Info...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>About this application</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Copyright © Vantelo. All rights reserved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>For technical support, see Help &gt; Contents or contact Vantelo support.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>System Information Is Unavailable At This Time</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vantelo-reg</name>
    <message>
        <source>Reads and writes the Vantelo programs&apos; registry hives, in the manner of reg.exe.

  vantelo-reg query KEY [/v NAME]
  vantelo-reg add KEY /v NAME /d DATA [/t REG_SZ|REG_EXPAND_SZ|REG_DWORD] [/f]
  vantelo-reg delete KEY /v NAME [/f]

KEY begins with HKCU\ or HKLM\ (or HKEY_CURRENT_USER\, HKEY_LOCAL_MACHINE\).
The hives are in $VANTELO_HIVE_DIR when it is set.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>operation</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>query, add or delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>query|add|delete KEY [/v NAME] [/d DATA] [/t TYPE] [/f]</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ERROR: Invalid syntax. %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Type &quot;vantelo-reg --help&quot; for usage.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ERROR: The hive %1 cannot be written (no permission, or the file is damaged).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ERROR: The system was unable to find the specified registry key or value.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown option &quot;%1&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An operation (QUERY, ADD or DELETE) and a KEY are needed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&quot;%1&quot; is not an operation; use QUERY, ADD or DELETE.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 needs a KEY.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ERROR: Invalid key name; it must begin with HKCU\ or HKLM\.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The operation completed successfully.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
