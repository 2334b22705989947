<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
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
        <translation>Abbrechen</translation>
    </message>
    <message id="BrowseForActionPadFilter">
        <source>HTML files (*.htm *.html)|All files (*)</source>
        <translation>HTML-Dateien (*.htm *.html)|Alle Dateien (*)</translation>
    </message>
    <message id="ActionPadEditor.Caption">
        <source>Action Pads</source>
        <translation>Action Pads</translation>
    </message>
    <message id="ActionPadEditor.Description">
        <source>Publishes the action pads of the open database into the database</source>
        <translation>Veröffentlicht die Action Pads der geöffneten Datenbank in der Datenbank</translation>
    </message>
    <message id="ActionPadEditor.frmPublish">
        <source>Publish action pads</source>
        <translation>Action Pads veröffentlichen</translation>
    </message>
    <message id="ActionPadEditor.lblPublishHelp">
        <source>Packs every file that the action pads of the tables, the database and the overview use into one archive and stores it in the database, so that every workstation shows the current action pads.</source>
        <translation>Packt alle Dateien, die die Action Pads der Tabellen, der Datenbank und der Übersicht verwenden, in ein Archiv und speichert es in der Datenbank, damit jeder Arbeitsplatz die aktuellen Action Pads anzeigt.</translation>
    </message>
    <message id="ActionPadEditor.lblStatus">
        <source>Ready to publish.</source>
        <translation>Bereit zum Veröffentlichen.</translation>
    </message>
    <message id="ActionPadEditor.cmdPublishActionPads">
        <source>Publish</source>
        <translation>Veröffentlichen</translation>
    </message>
    <message id="ActionPadEditor.ConfirmPublish">
        <source>Publish the action pads now?{vbNewLine}{vbNewLine}The archive stored in the database is replaced.</source>
        <translation>Die Action Pads jetzt veröffentlichen?{vbNewLine}{vbNewLine}Das in der Datenbank gespeicherte Archiv wird ersetzt.</translation>
    </message>
    <message id="ActionPadEditor.Warning_ToLargeArchiveFile">
        <source>The archive is %1 MB large. Archives above 10 MB make every workstation wait while it loads them.{vbNewLine}{vbNewLine}Store it in the database anyway?</source>
        <translation>Das Archiv ist %1 MB groß. Archive über 10 MB lassen jeden Arbeitsplatz beim Laden warten.{vbNewLine}{vbNewLine}Trotzdem in der Datenbank speichern?</translation>
    </message>
    <message id="ActionPadEditor.ActionPadWebBar">
        <source>Action pad of the database (web bar)</source>
        <translation>Action Pad der Datenbank (Webleiste)</translation>
    </message>
    <message id="ActionPadEditor.ActionPadOverview">
        <source>Action pad of the overview</source>
        <translation>Action Pad der Übersicht</translation>
    </message>
    <message id="PublishStatus.AnalyzeActionPads">
        <source>Checking the action pads</source>
        <translation>Action Pads werden geprüft</translation>
    </message>
    <message id="PublishStatus.UserFixDuplicates">
        <source>Waiting for the choice between files of the same name</source>
        <translation>Warten auf die Auswahl zwischen gleichnamigen Dateien</translation>
    </message>
    <message id="PublishStatus.CreateZipFile">
        <source>Creating the archive</source>
        <translation>Archiv wird erstellt</translation>
    </message>
    <message id="PublishStatus.ArchiveCreated">
        <source>Archive created</source>
        <translation>Archiv erstellt</translation>
    </message>
    <message id="PublishStatus.CopyArchiveToDatabase">
        <source>Storing the archive in the database</source>
        <translation>Archiv wird in der Datenbank gespeichert</translation>
    </message>
    <message id="PublishStatus.ActionPadsPublished">
        <source>The action pads are published.</source>
        <translation>Die Action Pads sind veröffentlicht.</translation>
    </message>
    <message id="frmActionPadProperties.Caption">
        <source>Action pad properties</source>
        <translation>Eigenschaften des Action Pads</translation>
    </message>
    <message id="frmActionPadProperties.lblTable">
        <source>Table:</source>
        <translation>Tabelle:</translation>
    </message>
    <message id="frmActionPadProperties.lblTableActionPad">
        <source>Action pad of the table:</source>
        <translation>Action Pad der Tabelle:</translation>
    </message>
    <message id="frmActionPadProperties.lblRelativeTo">
        <source>A name without a folder is looked up in:</source>
        <translation>Ein Name ohne Ordner wird gesucht in:</translation>
    </message>
    <message id="frmActionPadProperties.cmdBrowseForInspector">
        <source>Browse...</source>
        <translation>Durchsuchen...</translation>
    </message>
    <message id="frmActionPadProperties.frmHelp">
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message id="frmActionPadProperties.lblDescription">
        <source>Enter the name of an HTML page or a web address beginning with http://, https://, file:// or res://.{vbNewLine}A name without a folder is looked up in %1.{vbNewLine}Leave the name empty to show no action pad.</source>
        <translation>Geben Sie den Namen einer HTML-Seite oder eine Webadresse ein, die mit http://, https://, file:// oder res:// beginnt.{vbNewLine}Ein Name ohne Ordner wird in %1 gesucht.{vbNewLine}Lassen Sie den Namen leer, um kein Action Pad anzuzeigen.</translation>
    </message>
    <message id="frmActionPadProperties.Error_InvalidActionPad">
        <source>The action pad "%1" was not found. Enter the name of an existing file or a web address, or choose a file with Browse.</source>
        <translation>Das Action Pad "%1" wurde nicht gefunden. Geben Sie den Namen einer vorhandenen Datei oder eine Webadresse ein, oder wählen Sie eine Datei mit Durchsuchen.</translation>
    </message>
    <message id="frmEditArchiveDuplicates.Caption">
        <source>Files with the same name</source>
        <translation>Dateien mit gleichem Namen</translation>
    </message>
    <message id="frmEditArchiveDuplicates.lblDescription">
        <source>These files would be stored under the same name in the archive. Check the file of each name that is to be published; unchecked files are left out. Double-click a row to open its folder.</source>
        <translation>Diese Dateien würden im Archiv unter demselben Namen gespeichert. Markieren Sie für jeden Namen die Datei, die veröffentlicht werden soll; nicht markierte Dateien werden weggelassen. Ein Doppelklick auf eine Zeile öffnet ihren Ordner.</translation>
    </message>
    <message id="frmEditArchiveDuplicates.cmdContinuePublishing">
        <source>Continue</source>
        <translation>Fortfahren</translation>
    </message>
    <message id="frmEditArchiveDuplicates.cmdCancelPublishing">
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message id="frmEditArchiveDuplicates.chArchiveName">
        <source>Name in the archive</source>
        <translation>Name im Archiv</translation>
    </message>
    <message id="frmEditArchiveDuplicates.chSourceFilename">
        <source>Source file</source>
        <translation>Quelldatei</translation>
    </message>
    <message id="ActionPadArchiver.Error_InvalidFiles">
        <source>These action pads do not name files that can be published. Correct their locations and publish again.{vbNewLine}%1</source>
        <translation>Diese Action Pads verweisen nicht auf Dateien, die sich veröffentlichen lassen. Korrigieren Sie die Angaben und veröffentlichen Sie erneut.{vbNewLine}%1</translation>
    </message>
    <message id="ActionPadArchiver.Error_ZipFailed">
        <source>The archive could not be written (%1). Check that the temporary folder has room and that the action pad files can be read, then publish again.</source>
        <translation>Das Archiv konnte nicht geschrieben werden (%1). Prüfen Sie, ob im temporären Ordner Platz ist und die Dateien der Action Pads lesbar sind, und veröffentlichen Sie erneut.</translation>
    </message>
    <message id="ActionPadArchiver.InvalidFile_Missing">
        <source>does not exist</source>
        <translation>gibt es nicht</translation>
    </message>
    <message id="ActionPadArchiver.InvalidFile_Folder">
        <source>is a folder</source>
        <translation>ist ein Ordner</translation>
    </message>
    <message id="ActionPadArchiver.InvalidFile_NotRegular">
        <source>is not a regular file</source>
        <translation>ist keine gewöhnliche Datei</translation>
    </message>
    <message id="ActionPadArchiver.Error_PreviewFailed">
        <source>The action pads were not published: %1</source>
        <translation>Die Action Pads wurden nicht veröffentlicht: %1</translation>
    </message>
    <message id="ActionPadArchiver.Warning_SkippedLinks">
        <source>These links lead outside the action pad folders and were left out: %1</source>
        <translation>Diese Verknüpfungen führen aus den Action-Pad-Ordnern hinaus und wurden ausgelassen: %1</translation>
    </message>
    <message id="BrimbleError.513-description">
        <source>No database is open. Open a database before configuring the action pads.</source>
        <translation>Es ist keine Datenbank geöffnet. Öffnen Sie eine Datenbank, bevor Sie die Action Pads konfigurieren.</translation>
    </message>
    <message id="BrimbleError.514-description">
        <source>Publishing stopped because some action pads do not name files that can be published. Correct their locations and publish again.</source>
        <translation>Das Veröffentlichen wurde abgebrochen, weil einige Action Pads nicht auf Dateien verweisen, die sich veröffentlichen lassen. Korrigieren Sie die Angaben und veröffentlichen Sie erneut.</translation>
    </message>
</context>
</TS>
