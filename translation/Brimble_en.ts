<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<!-- The "Brimble" dictionary. Ids are "Section.Key", or "Key" for the empty section.
     "%1" stands for the one value a text is about; "{vbNewLine}" for a line break. -->
<context>
    <name>Brimble</name>
    <message id="Title">
        <source>Corvane Brimble</source>
        <translation>Corvane Brimble</translation>
    </message>
    <message id="OK">
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message id="Cancel">
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message id="BrowseForActionPadFilter">
        <source>HTML files (*.htm *.html)|All files (*)</source>
        <translation>HTML files (*.htm *.html)|All files (*)</translation>
    </message>
    <message id="ActionPadEditor.Caption">
        <source>Action Pads</source>
        <translation>Action Pads</translation>
    </message>
    <message id="ActionPadEditor.Description">
        <source>Publishes the action pads of the open database into the database</source>
        <translation>Publishes the action pads of the open database into the database</translation>
    </message>
    <message id="ActionPadEditor.frmPublish">
        <source>Publish action pads</source>
        <translation>Publish action pads</translation>
    </message>
    <message id="ActionPadEditor.lblPublishHelp">
        <source>Packs every file that the action pads of the tables, the database and the overview use into one archive and stores it in the database, so that every workstation shows the current action pads.</source>
        <translation>Packs every file that the action pads of the tables, the database and the overview use into one archive and stores it in the database, so that every workstation shows the current action pads.</translation>
    </message>
    <message id="ActionPadEditor.lblStatus">
        <source>Ready to publish.</source>
        <translation>Ready to publish.</translation>
    </message>
    <message id="ActionPadEditor.cmdPublishActionPads">
        <source>Publish</source>
        <translation>Publish</translation>
    </message>
    <message id="ActionPadEditor.ConfirmPublish">
        <source>Publish the action pads now?{vbNewLine}{vbNewLine}The archive stored in the database is replaced.</source>
        <translation>Publish the action pads now?{vbNewLine}{vbNewLine}The archive stored in the database is replaced.</translation>
    </message>
    <message id="ActionPadEditor.Warning_ToLargeArchiveFile">
        <source>The archive is %1 MB large. Archives above 10 MB make every workstation wait while it loads them.{vbNewLine}{vbNewLine}Store it in the database anyway?</source>
        <translation>The archive is %1 MB large. Archives above 10 MB make every workstation wait while it loads them.{vbNewLine}{vbNewLine}Store it in the database anyway?</translation>
    </message>
    <message id="ActionPadEditor.ActionPadWebBar">
        <source>Action pad of the database (web bar)</source>
        <translation>Action pad of the database (web bar)</translation>
    </message>
    <message id="ActionPadEditor.ActionPadOverview">
        <source>Action pad of the overview</source>
        <translation>Action pad of the overview</translation>
    </message>
    <message id="PublishStatus.AnalyzeActionPads">
        <source>Checking the action pads</source>
        <translation>Checking the action pads</translation>
    </message>
    <message id="PublishStatus.UserFixDuplicates">
        <source>Waiting for the choice between files of the same name</source>
        <translation>Waiting for the choice between files of the same name</translation>
    </message>
    <message id="PublishStatus.CreateZipFile">
        <source>Creating the archive</source>
        <translation>Creating the archive</translation>
    </message>
    <message id="PublishStatus.ArchiveCreated">
        <source>Archive created</source>
        <translation>Archive created</translation>
    </message>
    <message id="PublishStatus.CopyArchiveToDatabase">
        <source>Storing the archive in the database</source>
        <translation>Storing the archive in the database</translation>
    </message>
    <message id="PublishStatus.ActionPadsPublished">
        <source>The action pads are published.</source>
        <translation>The action pads are published.</translation>
    </message>
    <message id="frmActionPadProperties.Caption">
        <source>Action pad properties</source>
        <translation>Action pad properties</translation>
    </message>
    <message id="frmActionPadProperties.lblTable">
        <source>Table:</source>
        <translation>Table:</translation>
    </message>
    <message id="frmActionPadProperties.lblTableActionPad">
        <source>Action pad of the table:</source>
        <translation>Action pad of the table:</translation>
    </message>
    <message id="frmActionPadProperties.lblRelativeTo">
        <source>A name without a folder is looked up in:</source>
        <translation>A name without a folder is looked up in:</translation>
    </message>
    <message id="frmActionPadProperties.cmdBrowseForInspector">
        <source>Browse...</source>
        <translation>Browse...</translation>
    </message>
    <message id="frmActionPadProperties.frmHelp">
        <source>Help</source>
        <translation>Help</translation>
    </message>
    <message id="frmActionPadProperties.lblDescription">
        <source>Enter the name of an HTML page or a web address beginning with http://, https://, file:// or res://.{vbNewLine}A name without a folder is looked up in %1.{vbNewLine}Leave the name empty to show no action pad.</source>
        <translation>Enter the name of an HTML page or a web address beginning with http://, https://, file:// or res://.{vbNewLine}A name without a folder is looked up in %1.{vbNewLine}Leave the name empty to show no action pad.</translation>
    </message>
    <message id="frmActionPadProperties.Error_InvalidActionPad">
        <source>The action pad "%1" was not found. Enter the name of an existing file or a web address, or choose a file with Browse.</source>
        <translation>The action pad "%1" was not found. Enter the name of an existing file or a web address, or choose a file with Browse.</translation>
    </message>
    <message id="frmEditArchiveDuplicates.Caption">
        <source>Files with the same name</source>
        <translation>Files with the same name</translation>
    </message>
    <message id="frmEditArchiveDuplicates.lblDescription">
        <source>These files would be stored under the same name in the archive. Check the file of each name that is to be published; unchecked files are left out. Double-click a row to open its folder.</source>
        <translation>These files would be stored under the same name in the archive. Check the file of each name that is to be published; unchecked files are left out. Double-click a row to open its folder.</translation>
    </message>
    <message id="frmEditArchiveDuplicates.cmdContinuePublishing">
        <source>Continue</source>
        <translation>Continue</translation>
    </message>
    <message id="frmEditArchiveDuplicates.cmdCancelPublishing">
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message id="frmEditArchiveDuplicates.chArchiveName">
        <source>Name in the archive</source>
        <translation>Name in the archive</translation>
    </message>
    <message id="frmEditArchiveDuplicates.chSourceFilename">
        <source>Source file</source>
        <translation>Source file</translation>
    </message>
    <message id="ActionPadArchiver.Error_InvalidFiles">
        <source>These action pads do not name files that can be published. Correct their locations and publish again.{vbNewLine}%1</source>
        <translation>These action pads do not name files that can be published. Correct their locations and publish again.{vbNewLine}%1</translation>
    </message>
    <message id="ActionPadArchiver.Error_ZipFailed">
        <source>The archive could not be written (%1). Check that the temporary folder has room and that the action pad files can be read, then publish again.</source>
        <translation>The archive could not be written (%1). Check that the temporary folder has room and that the action pad files can be read, then publish again.</translation>
    </message>
    <message id="ActionPadArchiver.InvalidFile_Missing">
        <source>does not exist</source>
        <translation>does not exist</translation>
    </message>
    <message id="ActionPadArchiver.InvalidFile_Folder">
        <source>is a folder</source>
        <translation>is a folder</translation>
    </message>
    <message id="ActionPadArchiver.InvalidFile_NotRegular">
        <source>is not a regular file</source>
        <translation>is not a regular file</translation>
    </message>
    <message id="ActionPadArchiver.Error_PreviewFailed">
        <source>The action pads were not published: %1</source>
        <translation>The action pads were not published: %1</translation>
    </message>
    <message id="ActionPadArchiver.Warning_SkippedLinks">
        <source>These links lead outside the action pad folders and were left out: %1</source>
        <translation>These links lead outside the action pad folders and were left out: %1</translation>
    </message>
    <message id="BrimbleError.513-description">
        <source>No database is open. Open a database before configuring the action pads.</source>
        <translation>No database is open. Open a database before configuring the action pads.</translation>
    </message>
    <message id="BrimbleError.514-description">
        <source>Publishing stopped because some action pads do not name files that can be published. Correct their locations and publish again.</source>
        <translation>Publishing stopped because some action pads do not name files that can be published. Correct their locations and publish again.</translation>
    </message>
</context>
</TS>
