<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>Error</name>
    <message>
        <source>Please use -h command line option for more detail.
</source>
        <translation>CAT2 aide.
</translation>
    </message>
</context>
</TS>
