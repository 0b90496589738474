<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR" sourcelanguage="en_US">
<context>
    <name>Fatal Error</name>
    <message>
        <source>
Fatal Error: cannot allocate %1 bytes
</source>
        <comment>%1 is the unallocatable size (a number)</comment>
        <translation>
Erreur fatale : impossible d'allouer %1 octets
</translation>
    </message>
</context>
<context>
    <name>Internal Error</name>
    <message>
        <source>Internal Error : buffer overflow while retrieving VANTLINK_EXT environment variable.
</source>
        <translation>Erreur interne : dépassement de tampon à la lecture de la variable d'environnement VANTLINK_EXT.
</translation>
    </message>
</context>
<context>
    <name>Error</name>
    <message>
        <source>Error : missing link file name on command line.
</source>
        <translation>Erreur : le nom du fichier de liens manque sur la ligne de commande.
</translation>
    </message>
    <message>
        <source>Error : missing at last one directory on command line.
</source>
        <translation>Erreur : il faut au moins un répertoire sur la ligne de commande.
</translation>
    </message>
    <message>
        <source>Please use -h command line option for more detail.
</source>
        <translation>Utilisez l'option -h pour plus de détails.
</translation>
    </message>
    <message>
        <source>Problem when attempting to read the dir list file "%1"
</source>
        <comment>%1 is a file name</comment>
        <translation>Problème à la lecture du fichier de liste de répertoires "%1"
</translation>
    </message>
    <message>
        <source>Error : "%1" is not a directory name.
</source>
        <comment>%1 is a string</comment>
        <translation>Erreur : "%1" n'est pas un nom de répertoire.
</translation>
    </message>
    <message>
        <source>Error : Cannot change current working directory to "%1"
</source>
        <comment>%1 is a directory name</comment>
        <translation>Erreur : impossible de se placer dans le répertoire "%1"
</translation>
    </message>
    <message>
        <source>Error : Cannot come back to directory "%1"
</source>
        <comment>%1 is a directory name</comment>
        <translation>Erreur : impossible de revenir au répertoire "%1"
</translation>
    </message>
    <message>
        <source>Error : cannot get directory entry for "%1"
</source>
        <comment>%1 is a directory name</comment>
        <translation>Erreur : impossible de lire le contenu du répertoire "%1"
</translation>
    </message>
    <message>
        <source>Error : Cannot get current working directory.
</source>
        <translation>Erreur : impossible d'obtenir le répertoire de travail courant.
</translation>
    </message>
    <message>
        <source>Error : can't open file "%1"
</source>
        <comment>%1 is a file name</comment>
        <translation>Erreur : impossible d'ouvrir le fichier "%1"
</translation>
    </message>
    <message>
        <source>Problem when attempting to create link file "%1"
Maybe a directory with the same name exists
</source>
        <comment>%1 is a file name</comment>
        <translation>Problème à la création du fichier de liens "%1"
Un répertoire du même nom existe peut-être
</translation>
    </message>
    <message>
        <source>Error : Can't open link file "%1" for writting.
</source>
        <comment>%1 is a file name</comment>
        <translation>Erreur : impossible d'ouvrir le fichier de liens "%1" en écriture.
</translation>
    </message>
    <message>
        <source>Error : Can't write link file "%1".
</source>
        <comment>%1 is a file name</comment>
        <translation>Erreur : impossible d'écrire le fichier de liens "%1".
</translation>
    </message>
    <message>
        <source>Error : "%1" holds a line end and cannot stand in the link file (skipped).
</source>
        <comment>%1 is a file or directory name</comment>
        <translation>Erreur : "%1" contient une fin de ligne et ne peut pas figurer dans le fichier de liens (ignoré).
</translation>
    </message>
    <message>
        <source>Error : VANTLINK_ADA is "%1", which is no Ada mode: use "95" (the default, also when it is unset or empty) or "2022".
</source>
        <comment>%1 is the value of the environment variable VANTLINK_ADA; "95" and "2022" are values to keep as they are</comment>
        <translation>Erreur : VANTLINK_ADA vaut "%1", qui n'est pas un mode Ada : utilisez "95" (par défaut, aussi quand la variable est absente ou vide) ou "2022".
</translation>
    </message>
    <message>
        <source>Error : VANTLINK_JOBS must be a positive whole number, not "%1".
</source>
        <comment>VANTLINK_JOBS is an environment variable name; %1 is its value</comment>
        <translation>Erreur : VANTLINK_JOBS doit être un nombre entier positif, et non "%1".
</translation>
    </message>
    <message>
        <source>Error : too many files open to read "%1": the run cannot go on.
</source>
        <comment>%1 is a file or directory name</comment>
        <translation>Erreur : trop de fichiers ouverts pour lire "%1" : l'exécution ne peut pas continuer.
</translation>
    </message>
    <message>
        <source>Error : VANTLINK_DEPS names the link file "%1": the dependency file needs a file of its own.
</source>
        <comment>VANTLINK_DEPS is an environment variable name; %1 is a file name</comment>
        <translation>Erreur : VANTLINK_DEPS désigne le fichier de liens "%1" : le fichier de dépendances doit être un fichier distinct.
</translation>
    </message>
    <message>
        <source>Error %1:%2: operator not allowed at library level
</source>
        <comment>%1 is a file name, %2 a line number</comment>
        <translation>Erreur %1:%2: opérateur interdit au niveau bibliothèque
</translation>
    </message>
</context>
<context>
    <name>Warning</name>
    <message>
        <source>%1:%2:%3: Warning, this file may not be Ada 95 compilable.
</source>
        <comment>%1 is a file name, %2 and %3 line and column numbers</comment>
        <translation>%1:%2:%3: Avertissement, ce fichier n'est peut-être pas compilable en Ada 95.
</translation>
    </message>
    <message>
        <source>%1:%2:%3: Warning, this file may not be Ada 2022 compilable.
</source>
        <comment>%1 is a file name, %2 and %3 line and column numbers</comment>
        <translation>%1:%2:%3: Avertissement, ce fichier n'est peut-être pas compilable en Ada 2022.
</translation>
    </message>
</context>
<context>
    <name>Message</name>
    <message>
        <source>Warning: Duplicate directory on command line (ignored): "%1"
</source>
        <comment>%1 is a directory name</comment>
        <translation>Avertissement : répertoire en double sur la ligne de commande (ignoré) : "%1"
</translation>
    </message>
    <message>
        <source>Checking directory "%1" ...
</source>
        <comment>%1 is a directory name</comment>
        <translation>Examen du répertoire "%1" ...
</translation>
    </message>
    <message>
        <source>
File "%1" created 
</source>
        <comment>%1 is a file name</comment>
        <translation>
Fichier "%1" créé 
</translation>
    </message>
</context>
<context>
    <name>Version</name>
    <message>
        <source>Build Number: </source>
        <translation>Numéro de compilation : </translation>
    </message>
    <message>
        <source>   Date : %1 %2
</source>
        <comment>%1 is an ISO date string, %2 an ISO hour</comment>
        <translation>   Date : %1 à %2
</translation>
    </message>
    <message>
        <source>     OS : %1
</source>
        <comment>%1 is an operating system name</comment>
        <translation>Système : %1
</translation>
    </message>
</context>
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
<context>
    <name>Vlk Usage</name>
    <message>
        <source>Usage: vantlink [options] &lt;link-file-name&gt; &lt;directory&gt; {&lt;directory&gt;} ...
</source>
        <translation>Usage : vantlink [options] &lt;fichier-de-liens&gt; &lt;répertoire&gt; {&lt;répertoire&gt;} ...
</translation>
    </message>
    <message>
        <source>options:
</source>
        <translation>options :
</translation>
    </message>
    <message>
        <source> -v,-version : generate version informations.
</source>
        <translation> -v,-version : affiche les informations de version.
</translation>
    </message>
    <message>
        <source> -r          : generate relative path rather then absolute path.
</source>
        <translation> -r          : écrit des chemins relatifs plutôt qu'absolus.
</translation>
    </message>
    <message>
        <source> -s,-silent  : be silent, except for errors.
</source>
        <translation> -s,-silent  : n'affiche rien d'autre que les erreurs.
</translation>
    </message>
    <message>
        <source> -f          : force analyse (do not run in incremental mode).
</source>
        <translation> -f          : force l'analyse de tous les fichiers (pas de mode incrémental).
</translation>
    </message>
    <message>
        <source> -h,-help    : this help.
</source>
        <translation> -h,-help    : affiche cette aide.
</translation>
    </message>
    <message>
        <source>Authorized default extensions : </source>
        <translation>Extensions autorisées par défaut : </translation>
    </message>
    <message>
        <source>Authorized VANTLINK_EXT extensions : </source>
        <comment>VANTLINK_EXT is an environment variable name</comment>
        <translation>Extensions autorisées par VANTLINK_EXT : </translation>
    </message>
    <message>
        <source>Forbidden VANTLINK_NOEXT extensions : </source>
        <translation>Extensions interdites par VANTLINK_NOEXT : </translation>
    </message>
    <message>
        <source>Forbidden extensions : none.</source>
        <translation>Extensions interdites : aucune.</translation>
    </message>
    <message>
        <source>You can use VANTLINK_EXT environment variable to set authorized extensions
</source>
        <translation>La variable d'environnement VANTLINK_EXT fixe les extensions autorisées
</translation>
    </message>
    <message>
        <source>and use VANTLINK_NOEXT environment variable to forbid extensions.
</source>
        <translation>et la variable d'environnement VANTLINK_NOEXT les extensions interdites.
</translation>
    </message>
    <message>
        <source>For example : authorize ".ada" and forbid "_.ada" extension.
</source>
        <translation>Par exemple : autoriser l'extension ".ada" et interdire "_.ada".
</translation>
    </message>
    <message>
        <source>You can use dot in your extension name but it's not mandatory.
</source>
        <translation>Le point au début d'une extension est permis, mais pas obligatoire.
</translation>
    </message>
</context>
</TS>
