<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>K_BuilderThread</name>
    <message numerus="yes">
        <location filename="../engine/k_destinationfolder.cpp" line="66"/>
        <source>Removed %n temporary file(s) that an interrupted run left in &quot;%1&quot;.</source>
        <translation>
            <numerusform>Removed %n temporary file that an interrupted run left in &quot;%1&quot;.</numerusform>
            <numerusform>Removed %n temporary files that an interrupted run left in &quot;%1&quot;.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location filename="../engine/k_destinationfolder.cpp" line="138"/>
        <source>&quot;%1&quot; already holds %n .inf file(s) that this run does not write, of another BGL LOD or another source, such as &quot;%2&quot;.</source>
        <translation>
            <numerusform>&quot;%1&quot; already holds %n .inf file that this run does not write, of another BGL LOD or another source: &quot;%2&quot;.</numerusform>
            <numerusform>&quot;%1&quot; already holds %n .inf files that this run does not write, of another BGL LOD or another source, such as &quot;%2&quot;.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location filename="../engine/k_conversiontexts.cpp" line="18"/>
        <source>%Ln byte(s)</source>
        <translation>
            <numerusform>%Ln byte</numerusform>
            <numerusform>%Ln bytes</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location filename="../engine/k_recordkeeper.cpp" line="160"/>
        <source>Removed %n picture(s) of an earlier build of tile &quot;%1&quot; that this build does not write.</source>
        <translation>
            <numerusform>Removed %n picture of an earlier build of tile &quot;%1&quot; that this build does not write.</numerusform>
            <numerusform>Removed %n pictures of an earlier build of tile &quot;%1&quot; that this build does not write.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location filename="../engine/k_recordkeeper.cpp" line="219"/>
        <source>Tile &quot;%1&quot; yields no picture now: its earlier .inf file and %n picture(s) are removed.</source>
        <translation>
            <numerusform>Tile &quot;%1&quot; yields no picture now: its earlier .inf file and %n picture are removed.</numerusform>
            <numerusform>Tile &quot;%1&quot; yields no picture now: its earlier .inf file and %n pictures are removed.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>K_FormPreview</name>
    <message numerus="yes">
        <location filename="../ui/k_formpreview.cpp" line="214"/>
        <source>%1 of %n tile(s) read: %2 broken, %3 completely transparent;</source>
        <translation>
            <numerusform>%1 of %n tile read: %2 broken, %3 completely transparent;</numerusform>
            <numerusform>%1 of %n tiles read: %2 broken, %3 completely transparent;</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location filename="../ui/k_formpreview.cpp" line="219"/>
        <source>%n destination tile(s) at BGL LOD %1.</source>
        <translation>
            <numerusform>%n destination tile at BGL LOD %1.</numerusform>
            <numerusform>%n destination tiles at BGL LOD %1.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location filename="../ui/k_formpreview.cpp" line="259"/>
        <source>%1: %n tile(s), %2</source>
        <translation>
            <numerusform>%1: %n tile, %2</numerusform>
            <numerusform>%1: %n tiles, %2</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>K_PreviewCommandLine</name>
    <message numerus="yes">
        <location filename="../app/k_previewcommandline.cpp" line="20"/>
        <source>%1: %2 of %n tile(s), %3 broken, %4 completely transparent</source>
        <translation>
            <numerusform>%1: %2 of %n tile, %3 broken, %4 completely transparent</numerusform>
            <numerusform>%1: %2 of %n tiles, %3 broken, %4 completely transparent</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>K_SampleTiles</name>
    <message numerus="yes">
        <location filename="../tiles/k_sampletiles.cpp" line="105"/>
        <source>%n FS9 tile bitmap(s) written into &quot;%1&quot;.</source>
        <translation>
            <numerusform>%n FS9 tile bitmap written into &quot;%1&quot;.</numerusform>
            <numerusform>%n FS9 tile bitmaps written into &quot;%1&quot;.</numerusform>
        </translation>
    </message>
</context>
</TS>
