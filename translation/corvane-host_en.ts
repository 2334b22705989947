<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>Corvane::Host::MainWindow</name>
    <message numerus="yes">
        <source>%n table(s) in %1</source>
        <translation>
            <numerusform>%n table in %1</numerusform>
            <numerusform>%n tables in %1</numerusform>
        </translation>
    </message>
</context>
</TS>
