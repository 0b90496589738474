<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>Error</name>
    <message>
        <source>Error : missing link file name on command line.
</source>
        <translation>CAT1 nom manquant.
</translation>
    </message>
    <message>
        <source>Please use -h command line option for more detail.
</source>
        <translation>CAT1 aide.
</translation>
    </message>
</context>
<context>
    <name>Vlk Usage</name>
    <message>
        <source>Authorized VANTLINK_EXT extensions : </source>
        <comment>VANTLINK_EXT is an environment variable name</comment>
        <translation>CAT1 extensions « %1 » : </translation>
    </message>
</context>
</TS>
