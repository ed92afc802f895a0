<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- A few German texts for the tests: they show that the window, the texts composed with
     arguments and the free functions reach the installed translation. -->
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>frmMain</name>
    <message>
        <source>%1 %2.%3   Build %4</source>
        <translation>%1 %2.%3   Ausgabe %4</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Click Here To Update</source>
        <translation>Hier klicken zum Aktualisieren</translation>
    </message>
    <message>
        <source>Ready ...</source>
        <translation>Bereit ...</translation>
    </message>
</context>
<context>
    <name>TransferText</name>
    <message>
        <source>%1 minutes</source>
        <translation>%1 Minuten</translation>
    </message>
</context>
<context>
    <name>RollbackCommand</name>
    <message>
        <source>Application not recognized: %1
Rollback aborted.</source>
        <translation>Programm nicht erkannt: %1
Zurücknahme abgebrochen.</translation>
    </message>
</context>
<context>
    <name>frmAbout</name>
    <message>
        <source>Version %1.%2.%3</source>
        <translation>Ausgabe %1.%2.%3</translation>
    </message>
</context>
</TS>
