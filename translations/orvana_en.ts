<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>AccessCatalogueSetup</name>
    <message>
        <source>%1 is a Microsoft Access database. Convert it to the catalogue&apos;s own format? The Access file is kept unchanged as %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is a Microsoft Access database. Convert it to the catalogue&apos;s own format? Its folder cannot be written, so the converted catalogue is kept as %2; the Access file is kept unchanged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 was not converted, so the catalogue cannot be opened: it is a Microsoft Access database.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Converting %1 to the catalogue&apos;s own format...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The conversion of %1 was stopped; every file is left as it was.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 could not be converted; every file is left as it was.
%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1. The Access file is kept unchanged as %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1. The converted catalogue is %2; the Access file is left unchanged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The setting &quot;Back End Database&quot; could not be changed to it (%1): set it in Tools &gt; Options.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>AccessImport</name>
    <message>
        <source>an attachment or multi-valued column, which cannot be read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a column type %1 that cannot be read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a value of %1 bytes where %2 belong</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the amount %1 has more digits than the catalogue keeps exactly</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not a date</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the decimal %1 has more digits than the catalogue keeps exactly</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>a value outside its page</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>an object without its header</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>an object that cannot be read</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 bytes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not a Microsoft Access database.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 tables, %2 rows converted from %3 (%4)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 exists already; it is not overwritten.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be written: what was written does not read back.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The conversion was stopped.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Table %1 cannot be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Table %1, column %2: %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1.%2 (%3)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Table %1 has no column that can be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Table %1 cannot be created: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Table %1: row %2 cannot be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Table %1, column %2, row %3: %4.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1.%2, row %3 (%4)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Table %1, row %2: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Table %1: %2 of its %3 rows could be read; the file is damaged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Table %1: its index %2 cannot be made: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Table %1: the converted table does not hold its %2 rows.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Table %1: row %2 is missing from the converted table.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Table %1, column %2, row %3: the converted value is not %4.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Table %1: the Access file gave %2 rows the second time it was read, not %3.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be read as a Microsoft Access database.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is protected by a password; remove it in Microsoft Access first.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The list of tables of %1 cannot be read; the file is damaged.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The search index cannot be made: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CsvExport</name>
    <message>
        <source>Exporting the parts to %1 ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be written: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The export was stopped: no file was written.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The parts cannot be read: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>CsvImport</name>
    <message>
        <source>The file has more than %1 columns in row %2: it is not a list of parts.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be read: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not a file.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reading %1 ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be read: out of memory</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 holds NUL bytes: it is not a text file a spreadsheet program wrote (a file saved as UTF-16 is one; save it as CSV in UTF-8).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be read as CSV after row %2: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Row %1 has a value longer than %2 bytes: the file is refused.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Row %1 is longer than %2 bytes: the file is refused.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The import was stopped: nothing was written.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 ends inside a quoted value: the file is not complete.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 changed while it was read: nothing was imported. Import it again once the program writing it has finished.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is empty: it has no header row.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 begins as UTF-8 but holds bytes that are not UTF-8.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 new part</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 new parts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 updates</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 row refused</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 rows refused</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 existing part skipped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 existing parts skipped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Row %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Row %1, %2: %3 (%4)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The catalogue cannot be read: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 has no PartNumber column: the parts cannot be told apart. Its first row must name the columns.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The row has more values than the header has names.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The row has no part number.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The part number is in row %1 already.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 parts in the catalogue have this part number.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Importing %1 parts ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The import failed and wrote nothing: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Part %1 was deleted while the file was read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file holds more than %1 bytes of values: it is refused. Import it in parts.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Part %1 was added to the catalogue since the file was checked. Import the file again to check it anew.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DbConnection</name>
    <message>
        <source>The statement contains a NUL character.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The statement contains text that is not valid Unicode.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>DbReport</name>
    <message>
        <source>The log file cannot be written.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The log file cannot be written: %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>NewCatalogue</name>
    <message>
        <source>%1 exists already; it is not overwritten.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 cannot be created: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: catalogues are made on PostgreSQL servers only.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: the database has a PARTS table already; it is not changed.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OdbcConnection</name>
    <message>
        <source>The ODBC driver manager could not be started.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ODBC call failed (return code %1).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OdbcRecordset</name>
    <message>
        <source>The result is too large to be held in memory.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>OdbcWatchdog</name>
    <message>
        <source>The database server did not answer within %1 seconds.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PartHistory</name>
    <message>
        <source>The record of part %1 holds no PartID.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Part ID %1 is in use again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Part number %1 exists again (Part ID %2).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PartUndo</name>
    <message>
        <source>Edit of %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New Part</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete of %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete of %1 Parts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bring Back of %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bring Back of %1 Parts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Redo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Redo %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Part %1 is no longer in the catalogue: nothing was changed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of part %2 no longer holds the value this window wrote: nothing was changed. %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Part %1 was changed since: nothing was changed. %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing was changed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It was changed by %1 at %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It was changed by another program.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import of %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 of part %2 no longer holds the value the import wrote: nothing was changed. %3</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PgDialect</name>
    <message>
        <source>Characters found after end of SQL statement.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PropertyList</name>
    <message>
        <source>The colour &quot;%1&quot; of &quot;%2&quot; (%3) is not a number. It is shown as it is stored; choose a colour to replace it.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SearchIndexSetup</name>
    <message>
        <source>Preparing the catalogue for fast searches...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>ShowOptions</name>
    <message>
        <source>Tools - Options - General Settings</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SqliteConnection</name>
    <message>
        <source>The connection string names no database file (Data Source).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not find file &apos;%1&apos;.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>SqliteRecordset</name>
    <message>
        <source>Out of memory.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The statement is empty.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Characters found after end of SQL statement.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The result is too large to be held in memory.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>UpdateField</name>
    <message>
        <source>%1<byte value="xd"/>
Cannot update %2 of type %3 and size %4 to %5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The entered value is too long.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Text Field Not Updated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The entered value contains characters that cannot be stored.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record Not Updated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Structure Array Is Not An Array.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Database Not Updated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Structure for %1 / 0 not found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The entered value is not numeric.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The entered value is out of range.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Long Integer Field Not Updated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Currency Field Not Updated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The entered value is not a valid date.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date Field Not Updated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Data type for %1 = %2 not recognized</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>frmParts</name>
    <message>
        <source>Some stored settings could not be used; their defaults apply:
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>GO</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>New</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Associated Parts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Show All Records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;New</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Contents</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Test</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record Count: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please enter a part number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Create new record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete record</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete %1 records?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Delete records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 records</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 records (stopped)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add a record for Part Number %1?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 not found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 associated parts found for %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Orvana uses its default settings and leaves the file as it is.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Changes to the settings and the window&apos;s place are not kept.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Undo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Redo</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;History...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deleted &amp;Parts...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>History of %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>When</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Who</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Field</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Before</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>After</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(created)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(deleted)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, undone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, redone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1, brought back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No changes of this part are recorded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deleted Parts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No deleted parts are recorded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select the parts to bring back with their Part IDs.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Part Number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Part ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deleted</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>By</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bring Back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>These parts were not brought back:
%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Export List...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Import Parts...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no list to export.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The list is still being read: export it once it is complete.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Export List</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV Files (*.csv)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 parts exported to %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import Parts</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV Files (*.csv *.txt)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 parts of the file are in the catalogue already. Update them with the file&apos;s values?
(No leaves them as they are.)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import Parts from %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Columns ignored: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Refused rows are left out.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The first %1 rows of %2:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Row</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Import</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>new part</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>update of Part ID %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>skipped: in the catalogue already</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>refused: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Imported from %1: %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 part of the file is in the catalogue already. Update it with the file&apos;s values?
(No leaves it as it is.)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>frmProperties</name>
    <message>
        <source>Please choose a file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Properties</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Property</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Value</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The change of &quot;%1&quot; is not stored, because the settings file %2 cannot be written: %3. It keeps &quot;%4&quot;.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>modGlobal</name>
    <message>
        <source>The setting &quot;%1&quot; holds &quot;%2&quot;, which is neither True, False nor a number. False is used until it is changed in Tools &gt; Options.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The log file %1 cannot be written: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>modGrid</name>
    <message>
        <source>No Records Found</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>orvana</name>
    <message>
        <source>Orvana, the parts catalogue: lists, finds and edits the parts of its database.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>orvana-newdb</name>
    <message>
        <source>the catalogue file to create, or &quot;DSN=name&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>fill it with N generated parts (0 to 100000000)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>N</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the PATH of the new catalogue is missing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>one PATH only, not &apos;%1&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--sample takes a whole number from 0 to 100000000, not &apos;%1&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: catalogue with %2 parts
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--sample cannot be used with --from-access</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--from-access converts into a file, not &apos;%1&apos;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Left out:
  %1
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>It has no PARTS table.
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>convert the Microsoft Access database OLD into PATH</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>OLD</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>with --from-access: leave out and list the columns and values that cannot be read, instead of failing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--skip-unreadable needs --from-access</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: %2 parts
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Columns ignored: %1
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>orvana-newdb: rows were refused: nothing was written (--skip-refused imports the others)
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Dry run: nothing was written.
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1: imported
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>write every part of CATALOGUE to FILE.csv, as the list after Show All Records: --export CATALOGUE FILE.csv</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>check the parts of FILE.csv and add them to CATALOGUE, all or none: --import FILE.csv CATALOGUE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>with --import: update parts whose number exists (they are skipped otherwise)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>with --import: import the other rows when some are refused</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>with --import: check and report, write nothing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--export and --import cannot be used together</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--%1 takes no other options but its own</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--export needs CATALOGUE FILE.csv</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--import needs FILE.csv CATALOGUE</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--update-existing, --skip-refused and --dry-run need --import</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Creates a catalogue database with the PARTS table at PATH (never over an existing file),
or in the empty PostgreSQL database of an ODBC data source &quot;DSN=name&quot;
(never where PARTS exists), optionally filled with N generated parts.
With --from-access, converts the Microsoft Access catalogue OLD into the new catalogue file PATH
(never over an existing file); OLD is only read.
With --export, writes every part of CATALOGUE to FILE.csv; with --import, checks
the parts of FILE.csv and adds them to CATALOGUE, all or none.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
