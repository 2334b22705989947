<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>Corvane::Host::ConfigurationDialog</name>
    <message>
        <source>No add-in offers a configuration page.</source>
        <translation>Kein Add-in bietet eine Konfigurationsseite an.</translation>
    </message>
    <message>
        <source>Configuration - %1</source>
        <translation>Konfiguration - %1</translation>
    </message>
    <message>
        <source>A configuration page could not be prepared: %1</source>
        <translation>Eine Konfigurationsseite konnte nicht vorbereitet werden: %1</translation>
    </message>
    <message>
        <source>reading the page&apos;s caption</source>
        <translation>die Beschriftung der Seite gelesen wurde</translation>
    </message>
    <message>
        <source>Page %1</source>
        <translation>Seite %1</translation>
    </message>
    <message>
        <source>leaving the page %1</source>
        <translation>die Seite %1 verlassen wurde</translation>
    </message>
    <message>
        <source>opening the page %1</source>
        <translation>die Seite %1 geöffnet wurde</translation>
    </message>
    <message>
        <source>applying the page %1</source>
        <translation>die Seite %1 übernommen wurde</translation>
    </message>
    <message>
        <source>cancelling the page %1</source>
        <translation>die Seite %1 abgebrochen wurde</translation>
    </message>
    <message>
        <source>The configuration failed while %1: %2</source>
        <translation>Die Konfiguration ist fehlgeschlagen, während %1: %2</translation>
    </message>
</context>
<context>
    <name>Corvane::Host::MainWindow</name>
    <message>
        <source>Id</source>
        <translation>Id</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Local name</source>
        <translation>Lokaler Name</translation>
    </message>
    <message>
        <source>Inspector</source>
        <translation>Inspektor</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Tools</source>
        <translation>E&amp;xtras</translation>
    </message>
    <message>
        <source>&amp;Configure...</source>
        <translation>&amp;Konfigurieren...</translation>
    </message>
    <message>
        <source>No database is open.</source>
        <translation>Keine Datenbank ist geöffnet.</translation>
    </message>
    <message numerus="yes">
        <source>%n table(s) in %1</source>
        <translation>
            <numerusform>%n Tabelle in %1</numerusform>
            <numerusform>%n Tabellen in %1</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Corvane::Host::WebBar</name>
    <message>
        <source>&amp;Show:</source>
        <translation>&amp;Zeigen:</translation>
    </message>
    <message>
        <source>Database</source>
        <translation>Datenbank</translation>
    </message>
    <message>
        <source>Overview</source>
        <translation>Übersicht</translation>
    </message>
    <message>
        <source>The web bar cannot show the published action pads: %1</source>
        <translation>Die Webleiste kann die veröffentlichten Action Pads nicht zeigen: %1</translation>
    </message>
    <message>
        <source>the database</source>
        <translation>der Datenbank</translation>
    </message>
    <message>
        <source>the overview</source>
        <translation>der Übersicht</translation>
    </message>
    <message>
        <source>No database is open.</source>
        <translation>Keine Datenbank ist geöffnet.</translation>
    </message>
    <message>
        <source>Reading the published action pads from the database...</source>
        <translation>Die veröffentlichten Action Pads werden aus der Datenbank gelesen...</translation>
    </message>
    <message>
        <source>Location: %1</source>
        <translation>Ort: %1</translation>
    </message>
    <message>
        <source>No action pad is published for %1.</source>
        <translation>Es ist kein Action Pad %1 veröffentlicht.</translation>
    </message>
    <message>
        <source>The action pad of %1 is a web address, which opens in your browser:</source>
        <translation>Das Action Pad %1 ist eine Webadresse, die sich in Ihrem Browser öffnet:</translation>
    </message>
    <message>
        <source>No action pad is published for %1: the database holds no published action pads yet. Publish them in Tools &gt; Configure.</source>
        <translation>Es ist kein Action Pad %1 veröffentlicht: Die Datenbank enthält noch keine veröffentlichten Action Pads. Veröffentlichen Sie sie unter Extras &gt; Konfigurieren.</translation>
    </message>
    <message>
        <source>The action pad of %1 was left out when the action pads were published: another page has the same name, %2, and that one was kept. Rename one of them, or keep this one when you publish again in Tools &gt; Configure.</source>
        <translation>Das Action Pad %1 wurde beim Veröffentlichen weggelassen: Eine andere Seite hat denselben Namen, %2, und diese wurde behalten. Benennen Sie eine der beiden um, oder behalten Sie diese, wenn Sie unter Extras &gt; Konfigurieren erneut veröffentlichen.</translation>
    </message>
    <message>
        <source>The action pad of %1 is not in the published action pads. Publish them again in Tools &gt; Configure.</source>
        <translation>Das Action Pad %1 ist nicht in den veröffentlichten Action Pads. Veröffentlichen Sie sie erneut unter Extras &gt; Konfigurieren.</translation>
    </message>
</context>
<context>
    <name>Corvane::Host::WebBarView</name>
    <message>
        <source>&lt;p&gt;The page %1 is not in the published action pads.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Die Seite %1 ist nicht in den veröffentlichten Action Pads.&lt;/p&gt;</translation>
    </message>
    <message>
        <source>&lt;p&gt;The file %1 cannot be shown in the web bar.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Die Datei %1 kann in der Webleiste nicht angezeigt werden.&lt;/p&gt;</translation>
    </message>
</context>
</TS>
