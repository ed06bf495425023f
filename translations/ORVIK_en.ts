<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>K_BuilderThread</name>
    <message numerus="yes">
        <location filename="../engine/k_builderthread.cpp" line="432"/>
        <source>Removed %n temporary file(s) that an interrupted run left in &quot;%1&quot;.</source>
        <translation>
            <numerusform>Removed %n temporary file that an interrupted run left in &quot;%1&quot;.</numerusform>
            <numerusform>Removed %n temporary files that an interrupted run left in &quot;%1&quot;.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location filename="../engine/k_builderthread.cpp" line="445"/>
        <source>&quot;%1&quot; already holds %n .inf file(s) that this run does not write, of another BGL LOD or another source, such as &quot;%2&quot;.</source>
        <translation>
            <numerusform>&quot;%1&quot; already holds %n .inf file that this run does not write, of another BGL LOD or another source: &quot;%2&quot;.</numerusform>
            <numerusform>&quot;%1&quot; already holds %n .inf files that this run does not write, of another BGL LOD or another source, such as &quot;%2&quot;.</numerusform>
        </translation>
    </message>
</context>
</TS>
