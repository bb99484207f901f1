<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>MainWindow</name>
    <message>
        <location filename="../src/mainwindow.cpp" line="120"/>
        <source> </source>
        <translation> </translation>
    </message>
    <message numerus="yes">
        <location filename="../src/mainwindow.cpp" line="342"/>
        <source>%n tab(s) open</source>
        <translation>
            <numerusform>%n onglet ouvert</numerusform>
            <numerusform>%n onglets ouverts</numerusform>
        </translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <comment>menu entry</comment>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
