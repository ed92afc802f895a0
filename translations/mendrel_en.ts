<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>FtpSession</name>
    <message>
        <source>Cannot write %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The transfer could not be started</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No reply to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server sent %1 of the %2 bytes it announced</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cannot put the download in place as %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server %1 is not known</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server %1 did not answer in time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server %1 refused the connection</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The connection to the server %1 could not be made</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server refused the log-on</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The download could not be written to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server stopped answering (timed out)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server refused to send the file</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The file was not found on the server</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The connection was lost after %1 of %2 bytes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The connection was lost after %1 bytes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The connection to the server was lost</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The transfer failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the system&apos;s certificate store</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the certificate authorities in %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server %1 does not offer FTP over TLS (AUTH TLS was refused)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The certificate authority file %1 cannot be read (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server&apos;s certificate is not issued for the host name %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The server&apos;s certificate could not be verified against %1 (%2)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The secure (TLS) connection to %1 failed (%2)</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PackageProcessor</name>
    <message>
        <source>Update process completed at %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File not found: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Process File</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unzipping</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error during UnZip: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error During UnZIP</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Process File Error

Step: %1
Description: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Batch process terminated.  Running instance of %1 detected. Please close %1 and start again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error Number: %1  (%2)
%3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The package is damaged or unsafe and was deleted.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>PackageSignature</name>
    <message>
        <source>The update package %1 is not signed by the expected key.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>RollbackCommand</name>
    <message>
        <source>Application not recognized: %1
Rollback aborted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please close %1 before using this function</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>TransferText</name>
    <message>
        <source>not known yet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 minutes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>(%1) bytes of %2 received at %3 kbits/sec
Estimated time remaining: %4</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>UnattendedCommand</name>
    <message>
        <source>A setting in %1 cannot be read (%2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The update server could not be asked about %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>There is no update package for %1 on the server.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 has the update package on the server already (%2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A newer update package for %1 is on the server (%2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The update of %1 failed; the log %2 tells why.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 was updated.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--update or --check comes first</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 needs the program: Carvell, Dunmore or Orvana</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--wait takes a number of seconds from 0 to 86400, not &quot;%1&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 does not take &quot;%2&quot;</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Application not recognized: %1 (Carvell, Dunmore or Orvana)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is not installed on this computer (looked for in %2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Waiting up to %1 seconds for %2 to close ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please close %1 before using this function</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 is running: nothing was updated.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An interrupted update of %1 could not be undone: %2</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>UpdateRun</name>
    <message>
        <source>Disconnecting fom host ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please wait.  Disconnecting from host ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connecting to server .....</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connecting to host ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Logging on to host ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>0 - The connection could not be started.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Web Update Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connecting to host .....%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to connect to host ... please try later</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Connect Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Getting %1 file size now ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>TAG: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unexpected FTP Return</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File transfer complete!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Disconnecting now ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File %1 is not available at this time.  Please try later ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File Not Available</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Size of: %1 is %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Downloading %1 now ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to connect to server.   Please try later</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Async Error #: %1 - %2
%3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The update cannot start, because a setting in %1 cannot be read (%2). Nothing was downloaded or installed.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>frmMain</name>
    <message>
        <source>Click Here To Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ready ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2.%3   Build %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Program To Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Package #:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vantelo Update will update your program files but not your database files.  Press F1 to learn more.</source>
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
        <source>&amp;Tools</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Passive File Transfer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Support Package</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;Contents</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reset log file ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Setting main form caption</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check for Carvell</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check for Dunmore</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Check for ORVANA</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Removing debris ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Setting application help file ..</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Main Form Load Error: 

%1
%2
%3
%4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Passive File Transfer Mode = ON</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Passive File Transfer Mode = OFF</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>-- WARNING --

Do not update with a Support Package unless instructed to do so by Vantelo Support.
A Support Package may cause programs to fail if it is not intended for your PC.

Do you want to specifiy and the update with a Support Package?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update With Support Package</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please enter a PACKAGE NUMBER before updating</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Download Support Package</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Please close %1 before using this function</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>You have enabled download of a Support Package but have not entered a package number.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Abort Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Invalid package number.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Application not recognized: %1
Update aborted.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Are you connected to the Internet?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Web Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update cancelled</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The window closes when the update has finished ...</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vantelo Update looks for the programs in their default folders instead, and refuses to update while its update settings cannot be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Passive File Transfer choice is not kept.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>An interrupted update of %1 could not be undone:
%2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The last update of %1 was interrupted after its last step. It has now been completed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The last update of %1 was interrupted. It has been undone: the program is as it was before that update (files put back: %2).</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>mendrel</name>
    <message>
        <source>Vantelo Update: updates Carvell, Dunmore or Orvana from the update server.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>undo the last update of PROGRAM (Carvell, Dunmore or Orvana), without a window</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>PROGRAM</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Usage: mendrel --rollback Carvell|Dunmore|Orvana
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--rollback comes first, followed by the program</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>update PROGRAM without a window; exit status 0 updated, 1 failed, 2 wrong use, 3 a program is running, 4 nothing to do</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>with --update: wait up to SECONDS for running programs to close</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SECONDS</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>with --update: only when the server has another package than the last one applied (else exit status 4)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ask the server, without downloading, whether a newer package for PROGRAM is there: exit status 0 yes, 4 no, 1 failed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>--update or --check comes first, followed by the program</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>modFileCopy</name>
    <message>
        <source>No %1 files found.</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>modService</name>
    <message>
        <source>The log file %1 cannot be written: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The program %1 could not be started to open %2.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Module: RunShellExecute
Number: 0
Desc: %1
Source: %2
%3
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>File missing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not find Regsvr32.exe, Register Object Failure</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Could not find: %1, Register Object Failure!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DLL Name missing</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>No DLL name provided: %1Register Object Failure!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Bad DLL Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DLL Name provided was bad: %1Register Object Failure!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>DLL Register Error</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unknown error registering: %1,Register Object Failure!</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unexpected value returned when registering DLL: </source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
