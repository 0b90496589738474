<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR" sourcelanguage="en_US">
<context>
    <name>KVIdent</name>
    <message>
        <source>vantlink, the Ada link file builder</source>
        <translation>vantlink, le générateur de fichiers de liens Ada</translation>
    </message>
    <message>
        <source>Copyright (c) the vantlink developers.</source>
        <translation>Copyright (c) les développeurs de vantlink.</translation>
    </message>
    <message>
        <source>All rights reserved.</source>
        <translation>Tous droits réservés.</translation>
    </message>
</context>
</TS>
