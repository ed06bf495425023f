<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU" sourcelanguage="en">
<context>
    <name>K_BuilderThread</name>
    <message>
        <location filename="../engine/k_builderthread.cpp" line="333"/>
        <source>Step 1 of 2. Source folder scanning...</source>
        <translation>Шаг 1 из 2. Сканирование исходной папки...</translation>
    </message>
    <message>
        <location filename="../engine/k_destinationfolder.cpp" line="78"/>
        <source>Cannot write into the destination folder &quot;%1&quot;: %2.</source>
        <translation>Невозможно записать в папку назначения &quot;%1&quot;: %2.</translation>
    </message>
    <message numerus="yes">
        <location filename="../engine/k_destinationfolder.cpp" line="66"/>
        <source>Removed %n temporary file(s) that an interrupted run left in &quot;%1&quot;.</source>
        <translation>
            <numerusform>Удалён %n временный файл, оставленный прерванным запуском в &quot;%1&quot;.</numerusform>
            <numerusform>Удалено %n временных файла, оставленных прерванным запуском в &quot;%1&quot;.</numerusform>
            <numerusform>Удалено %n временных файлов, оставленных прерванным запуском в &quot;%1&quot;.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location filename="../engine/k_destinationfolder.cpp" line="138"/>
        <source>&quot;%1&quot; already holds %n .inf file(s) that this run does not write, of another BGL LOD or another source, such as &quot;%2&quot;.</source>
        <translation>
            <numerusform>В &quot;%1&quot; уже есть %n файл .inf, который этот запуск не пишет (другой BGL LOD или другой источник), например &quot;%2&quot;.</numerusform>
            <numerusform>В &quot;%1&quot; уже есть %n файла .inf, которые этот запуск не пишет (другой BGL LOD или другой источник), например &quot;%2&quot;.</numerusform>
            <numerusform>В &quot;%1&quot; уже есть %n файлов .inf, которые этот запуск не пишет (другой BGL LOD или другой источник), например &quot;%2&quot;.</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../engine/k_destinationfolder.cpp" line="150"/>
        <source>The .inf files cannot name &quot;%1&quot;: the resampler reads folders between double quotes, which a double quote in its path would end early. Choose a folder whose path has none.</source>
        <translation>Файлы .inf не могут назвать папку &quot;%1&quot;: ресемплер читает папки в двойных кавычках, а двойная кавычка в её пути завершила бы путь раньше времени. Выберите папку, в пути которой её нет.</translation>
    </message>
    <message>
        <location filename="../engine/k_destinationfolder.cpp" line="163"/>
        <source>The .inf files name &quot;%1&quot; by its short form &quot;%2&quot;, as code page %3 lacks some of its characters.</source>
        <translation>Файлы .inf называют папку &quot;%1&quot; её коротким именем &quot;%2&quot;, так как в кодовой странице %3 нет некоторых её символов.</translation>
    </message>
    <message>
        <location filename="../engine/k_destinationfolder.cpp" line="170"/>
        <source>The .inf files cannot name &quot;%1&quot;: its characters &quot;%2&quot; are not in code page %3, so the resampler would not find the pictures. Choose a folder whose path has none.</source>
        <translation>Файлы .inf не могут назвать папку &quot;%1&quot;: её символов &quot;%2&quot; нет в кодовой странице %3, и ресемплер не нашёл бы изображения. Выберите папку, в пути которой их нет.</translation>
    </message>
    <message>
        <location filename="../engine/k_destinationfolder.cpp" line="212"/>
        <source>The pictures need up to %1, but &quot;%2&quot; has only %3 free.</source>
        <translation>Изображениям нужно до %1, но в &quot;%2&quot; свободно только %3.</translation>
    </message>
    <message>
        <location filename="../engine/k_recordkeeper.cpp" line="231"/>
        <source>The record of finished destination tiles &quot;%1&quot; cannot be written: %2.</source>
        <translation>Невозможно записать перечень готовых итоговых тайлов &quot;%1&quot;: %2.</translation>
    </message>
    <message>
        <location filename="../engine/k_builderthread.cpp" line="334"/>
        <source>Step 2 of 2. Build images...</source>
        <translation>Шаг 2 из 2. Построение изображений...</translation>
    </message>
    <message>
        <location filename="../engine/k_builderthread.cpp" line="338"/>
        <source>Step 1 of 3. Source folder scanning...</source>
        <translation>Шаг 1 из 3. Сканирование исходной папки...</translation>
    </message>
    <message>
        <location filename="../engine/k_builderthread.cpp" line="340"/>
        <source>Step 2 of 3. Build images...</source>
        <translation>Шаг 2 из 3. Построение изображений...</translation>
    </message>
    <message>
        <location filename="../engine/k_builderthread.cpp" line="342"/>
        <source>Step 3 of 3. Resample...</source>
        <translation>Шаг 3 из 3. Ресемплинг...</translation>
    </message>
    <message>
        <location filename="../engine/k_builderthread.cpp" line="430"/>
        <source>Tile &quot;%1&quot; already converted.</source>
        <translation>Тайл &quot;%1&quot; уже преобразован.</translation>
    </message>
    <message>
        <location filename="../engine/k_builderthread.cpp" line="410"/>
        <source>Tile &quot;%1&quot; saved.</source>
        <translation>Тайл &quot;%1&quot; сохранён.</translation>
    </message>
    <message>
        <location filename="../engine/k_builderthread.cpp" line="277"/>
        <location filename="../app/k_commandline.cpp" line="267"/>
        <source>Converting complete.</source>
        <translation>Конвертация завершена.</translation>
    </message>
    <message>
        <location filename="../engine/k_builderthread.cpp" line="105"/>
        <location filename="../app/k_commandline.cpp" line="269"/>
        <source>Break.</source>
        <translation>Прервано.</translation>
    </message>
    <message>
        <location filename="../engine/k_builderthread.cpp" line="128"/>
        <source>Cannot write &quot;%1&quot;: %2.</source>
        <translation>Невозможно записать &quot;%1&quot;: %2.</translation>
    </message>
    <message numerus="yes">
        <location filename="../engine/k_conversiontexts.cpp" line="18"/>
        <source>%Ln byte(s)</source>
        <translation>
            <numerusform>%Ln байт</numerusform>
            <numerusform>%Ln байта</numerusform>
            <numerusform>%Ln байт</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../engine/k_conversiontexts.cpp" line="55"/>
        <source>%1 left</source>
        <translation>осталось %1</translation>
    </message>
    <message>
        <location filename="../engine/k_conversiontexts.cpp" line="72"/>
        <source>Stopped. Destination tiles written: %1, pictures: %2 (%3), BGL files made: %4, problems: %5, time: %6.</source>
        <translation>Остановлено. Записано итоговых тайлов: %1, изображений: %2 (%3), создано файлов BGL: %4, проблем: %5, время: %6.</translation>
    </message>
    <message>
        <location filename="../engine/k_conversiontexts.cpp" line="74"/>
        <source>Destination tiles written: %1, pictures: %2 (%3), BGL files made: %4, problems: %5, time: %6.</source>
        <translation>Записано итоговых тайлов: %1, изображений: %2 (%3), создано файлов BGL: %4, проблем: %5, время: %6.</translation>
    </message>
    <message>
        <location filename="../engine/k_conversiontexts.cpp" line="84"/>
        <source>Stopped. Destination tiles written: %1, pictures: %2 (%3), problems: %4, time: %5.</source>
        <translation>Остановлено. Записано итоговых тайлов: %1, изображений: %2 (%3), проблем: %4, время: %5.</translation>
    </message>
    <message>
        <location filename="../engine/k_conversiontexts.cpp" line="86"/>
        <source>Destination tiles written: %1, pictures: %2 (%3), problems: %4, time: %5.</source>
        <translation>Записано итоговых тайлов: %1, изображений: %2 (%3), проблем: %4, время: %5.</translation>
    </message>
    <message>
        <location filename="../engine/k_sourcefolder.cpp" line="25"/>
        <source>Source folder is not set.</source>
        <translation>Исходная папка не задана.</translation>
    </message>
    <message>
        <location filename="../engine/k_sourcefolder.cpp" line="27"/>
        <source>Source folder &quot;%1&quot; does not exist.</source>
        <translation>Исходная папка &quot;%1&quot; не существует.</translation>
    </message>
    <message>
        <location filename="../engine/k_builderthread.cpp" line="228"/>
        <source>Destination folder is not set.</source>
        <translation>Папка назначения не задана.</translation>
    </message>
    <message>
        <location filename="../engine/k_sourcefolder.cpp" line="57"/>
        <source>No FS9 tile bitmaps in &quot;%1&quot;.</source>
        <translation>В папке &quot;%1&quot; нет BMP-тайлов FS9.</translation>
    </message>
    <message>
        <location filename="../engine/k_sourcefolder.cpp" line="58"/>
        <source>No FS9 tile bitmaps in &quot;%1&quot;; its subfolder &quot;%2&quot; holds %3.</source>
        <translation>В папке &quot;%1&quot; нет BMP-тайлов FS9; в её подпапке &quot;%2&quot; их %3.</translation>
    </message>
    <message>
        <location filename="../engine/k_destinationfolder.cpp" line="99"/>
        <source>The lock file &quot;%1&quot; cannot be made</source>
        <translation>Файл блокировки &quot;%1&quot; создать нельзя</translation>
    </message>
    <message>
        <location filename="../engine/k_destinationfolder.cpp" line="107"/>
        <source>&quot;%1&quot; is being converted already, by %2 (process %3); this run stops.</source>
        <translation>В &quot;%1&quot; уже идёт конвертация: %2 (процесс %3); этот запуск останавливается.</translation>
    </message>
    <message>
        <location filename="../engine/k_destinationfolder.cpp" line="108"/>
        <source>another program</source>
        <translation>другая программа</translation>
    </message>
    <message>
        <location filename="../engine/k_destinationfolder.cpp" line="122"/>
        <source>The record of finished destination tiles &quot;%1&quot; cannot be used: %2. Every destination tile is converted again, and the file is left as it is.</source>
        <translation>Перечнем готовых итоговых тайлов &quot;%1&quot; воспользоваться нельзя: %2. Все итоговые тайлы конвертируются заново, а файл остаётся как есть.</translation>
    </message>
    <message>
        <location filename="../engine/k_destinationfolder.cpp" line="204"/>
        <source>The free space in &quot;%1&quot; cannot be known; the pictures need up to %2.</source>
        <translation>Свободное место в &quot;%1&quot; узнать нельзя; изображениям нужно до %2.</translation>
    </message>
    <message numerus="yes">
        <location filename="../engine/k_recordkeeper.cpp" line="160"/>
        <source>Removed %n picture(s) of an earlier build of tile &quot;%1&quot; that this build does not write.</source>
        <translation>
            <numerusform>Удалено %n изображение прежней сборки тайла &quot;%1&quot;, которое эта сборка не пишет.</numerusform>
            <numerusform>Удалено %n изображения прежней сборки тайла &quot;%1&quot;, которые эта сборка не пишет.</numerusform>
            <numerusform>Удалено %n изображений прежней сборки тайла &quot;%1&quot;, которые эта сборка не пишет.</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../engine/k_recordkeeper.cpp" line="206"/>
        <source>Tile &quot;%1&quot; yields no picture now; &quot;%2&quot;, which this record does not know as ORVIK&apos;s, stays.</source>
        <translation>Тайл &quot;%1&quot; теперь не даёт изображений; &quot;%2&quot;, который перечень не знает как файл ORVIK, остаётся.</translation>
    </message>
    <message numerus="yes">
        <location filename="../engine/k_recordkeeper.cpp" line="219"/>
        <source>Tile &quot;%1&quot; yields no picture now: its earlier .inf file and %n picture(s) are removed.</source>
        <translation>
            <numerusform>Тайл &quot;%1&quot; теперь не даёт изображений: его прежний файл .inf и %n изображение удалены.</numerusform>
            <numerusform>Тайл &quot;%1&quot; теперь не даёт изображений: его прежний файл .inf и %n изображения удалены.</numerusform>
            <numerusform>Тайл &quot;%1&quot; теперь не даёт изображений: его прежний файл .inf и %n изображений удалены.</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../engine/k_recordkeeper.cpp" line="306"/>
        <source>Removed &quot;%1&quot;, which the resampler of an interrupted run had begun.</source>
        <translation>Удалён &quot;%1&quot;, начатый ресемплером прерванного запуска.</translation>
    </message>
    <message>
        <location filename="../engine/k_sourcefolder.cpp" line="31"/>
        <source>Cannot read the source folder &quot;%1&quot;: %2.</source>
        <translation>Невозможно прочитать исходную папку &quot;%1&quot;: %2.</translation>
    </message>
    <message>
        <location filename="../engine/k_conversionrecord.cpp" line="145"/>
        <source>it is far larger than any record</source>
        <translation>он намного больше любого перечня</translation>
    </message>
    <message>
        <location filename="../engine/k_conversionrecord.cpp" line="150"/>
        <source>it is no record of finished destination tiles</source>
        <translation>это не перечень готовых итоговых тайлов</translation>
    </message>
    <message>
        <location filename="../engine/k_resamplerstep.cpp" line="43"/>
        <source>The resampler &quot;%1&quot; does not exist.</source>
        <translation>Ресемплер &quot;%1&quot; не существует.</translation>
    </message>
    <message>
        <location filename="../engine/k_resamplerstep.cpp" line="45"/>
        <source>The resampler &quot;%1&quot; is a folder, not a program.</source>
        <translation>Ресемплер &quot;%1&quot; — это папка, а не программа.</translation>
    </message>
    <message>
        <location filename="../engine/k_resamplerstep.cpp" line="49"/>
        <source>The resampler &quot;%1&quot; is not a program (.exe or .com).</source>
        <translation>Ресемплер &quot;%1&quot; — не программа (.exe или .com).</translation>
    </message>
    <message>
        <location filename="../engine/k_resamplerstep.cpp" line="52"/>
        <source>The resampler &quot;%1&quot; is not a program: it may not be run.</source>
        <translation>Ресемплер &quot;%1&quot; — не программа: его нельзя запускать.</translation>
    </message>
    <message>
        <location filename="../engine/k_resamplerstep.cpp" line="132"/>
        <source>BGL file &quot;%1&quot; is already made from this .inf file.</source>
        <translation>Файл BGL &quot;%1&quot; уже создан из этого файла .inf.</translation>
    </message>
    <message>
        <location filename="../engine/k_resamplerstep.cpp" line="158"/>
        <source>The resampler cannot be started on &quot;%1&quot;: %2.</source>
        <translation>Ресемплер не удаётся запустить для &quot;%1&quot;: %2.</translation>
    </message>
    <message>
        <location filename="../engine/k_resamplerstep.cpp" line="222"/>
        <source>BGL file &quot;%1&quot; made.</source>
        <translation>Файл BGL &quot;%1&quot; создан.</translation>
    </message>
    <message>
        <location filename="../engine/k_resamplerstep.cpp" line="228"/>
        <source>The resampler was still at &quot;%1&quot; after %2, and was ended.</source>
        <translation>Ресемплер всё ещё работал над &quot;%1&quot; спустя %2 и был завершён.</translation>
    </message>
    <message>
        <location filename="../engine/k_resamplerstep.cpp" line="231"/>
        <source>The resampler crashed on &quot;%1&quot;.</source>
        <translation>Ресемплер аварийно завершился на &quot;%1&quot;.</translation>
    </message>
    <message>
        <location filename="../engine/k_resamplerstep.cpp" line="233"/>
        <source>The resampler failed on &quot;%1&quot; with exit code %2.</source>
        <translation>Ресемплер не справился с &quot;%1&quot;: код завершения %2.</translation>
    </message>
    <message>
        <location filename="../engine/k_resamplerstep.cpp" line="237"/>
        <source>The resampler ended on &quot;%1&quot; with exit code 0 but did not write &quot;%2&quot;.</source>
        <translation>Ресемплер завершил &quot;%1&quot; с кодом 0, но не записал &quot;%2&quot;.</translation>
    </message>
    <message>
        <location filename="../engine/k_resamplerstep.cpp" line="254"/>
        <source>Removed &quot;%1&quot;, which the resampler had begun.</source>
        <translation>Удалён &quot;%1&quot;, начатый ресемплером.</translation>
    </message>
</context>
<context>
    <name>K_CheckedSaveFile</name>
    <message>
        <location filename="../tiles/k_checkedsavefile.cpp" line="153"/>
        <source>&quot;%1&quot; is not a folder</source>
        <translation>&quot;%1&quot; не является папкой</translation>
    </message>
    <message>
        <location filename="../tiles/k_checkedsavefile.cpp" line="154"/>
        <source>No such drive or folder</source>
        <translation>Нет такого диска или папки</translation>
    </message>
    <message>
        <location filename="../tiles/k_checkedsavefile.cpp" line="158"/>
        <source>The folder cannot be created</source>
        <translation>Папку невозможно создать</translation>
    </message>
    <message>
        <location filename="../tiles/k_checkedsavefile.cpp" line="49"/>
        <source>Filename refers to a directory</source>
        <translation>Имя файла указывает на папку</translation>
    </message>
</context>
<context>
    <name>K_CommandLine</name>
    <message>
        <location filename="../app/k_commandline.cpp" line="79"/>
        <source>Converts the FS9 tile bitmaps in SOURCE into TIFF pictures and .inf files for the FSX resampler in DESTINATION.</source>
        <translation>Конвертирует BMP-тайлы FS9 из папки SOURCE в изображения TIFF и файлы .inf для ресемплера FSX в папке DESTINATION.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="82"/>
        <source>The folder that holds the FS9 tile bitmaps.</source>
        <translation>Папка с BMP-тайлами FS9.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="84"/>
        <source>The folder that receives the TIFF pictures and .inf files.</source>
        <translation>Папка для изображений TIFF и файлов .inf.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="87"/>
        <source>The level of the destination tiles, 0 to 13 (default 8).</source>
        <translation>Уровень итоговых тайлов, от 0 до 13 (по умолчанию 8).</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="89"/>
        <source>The compression quality written into the .inf files, 1 to 100 (default 95).</source>
        <translation>Качество сжатия, записываемое в файлы .inf, от 1 до 100 (по умолчанию 95).</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="92"/>
        <source>Fill missing quarters with transparency, so that each destination tile gives one picture.</source>
        <translation>Заполнять недостающие четверти прозрачностью, чтобы каждый итоговый тайл давал одно изображение.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="95"/>
        <source>Use completely transparent tiles as they are.</source>
        <translation>Использовать полностью прозрачные тайлы как есть.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="96"/>
        <source>Paint broken tiles opaque white.</source>
        <translation>Закрашивать повреждённые тайлы непрозрачным белым.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="98"/>
        <source>Mirror the source tiles vertically.</source>
        <translation>Отражать исходные тайлы по вертикали.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="100"/>
        <source>Also convert the spring, fall, winter, hard winter and night tiles, as extra sources of the same .inf files.</source>
        <translation>Также конвертировать тайлы весны, осени, зимы, суровой зимы и ночные тайлы как дополнительные источники тех же файлов .inf.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="103"/>
        <source>Leave alone the destination tiles that a former run into DESTINATION finished.</source>
        <translation>Не трогать итоговые тайлы, которые уже завершил прежний запуск в DESTINATION.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="31"/>
        <source>Shows this help.</source>
        <translation>Показывает эту справку.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="36"/>
        <source>Shows the version.</source>
        <translation>Показывает версию.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="105"/>
        <source>Then run the FSX resampler PATH (resample.exe) on each .inf file, in DESTINATION.</source>
        <translation>Затем запустить для каждого файла .inf в DESTINATION ресемплер FSX по пути PATH (resample.exe).</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="109"/>
        <source>How many resamplers run at once, 1 to %1 (default %2).</source>
        <translation>Сколько ресемплеров работают одновременно, от 1 до %1 (по умолчанию %2).</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="114"/>
        <source>End a resampler still running after MINUTES (default: ten, and one more for each 16 MiB of its pictures).</source>
        <translation>Завершить ресемплер, всё ещё работающий спустя MINUTES минут (по умолчанию десять и ещё одна на каждые 16 МиБ его изображений).</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="151"/>
        <source>SOURCE and DESTINATION are missing.</source>
        <translation>Не указаны папки SOURCE и DESTINATION.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="152"/>
        <source>DESTINATION is missing.</source>
        <translation>Не указана папка DESTINATION.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="156"/>
        <source>Unexpected argument &quot;%1&quot;.</source>
        <translation>Лишний аргумент &quot;%1&quot;.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="161"/>
        <source>SOURCE and DESTINATION must not be empty.</source>
        <translation>Пути SOURCE и DESTINATION не должны быть пустыми.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="167"/>
        <source>BGL LOD must be a whole number from 0 to 13, not &quot;%1&quot;.</source>
        <translation>BGL LOD должен быть целым числом от 0 до 13, а не &quot;%1&quot;.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="173"/>
        <source>Compression quality must be a whole number from 1 to 100, not &quot;%1&quot;.</source>
        <translation>Качество сжатия должно быть целым числом от 1 до 100, а не &quot;%1&quot;.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="197"/>
        <source>PATH of --resampler must not be empty.</source>
        <translation>PATH для --resampler не должен быть пустым.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="203"/>
        <source>Resamplers at once must be a whole number from 1 to %1, not &quot;%2&quot;.</source>
        <translation>Число одновременных ресемплеров должно быть целым числом от 1 до %1, а не &quot;%2&quot;.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="214"/>
        <source>The resampler&apos;s time limit must be a number of minutes above 0, not &quot;%1&quot;.</source>
        <translation>Предел времени ресемплера должен быть числом минут больше 0, а не &quot;%1&quot;.</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="227"/>
        <source>destination tiles: %1/%2</source>
        <translation>итоговые тайлы: %1/%2</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="229"/>
        <source>tiles: %1/%2</source>
        <translation>тайлы: %1/%2</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="230"/>
        <source>tiles: %1</source>
        <translation>тайлы: %1</translation>
    </message>
    <message>
        <location filename="../app/k_commandline.cpp" line="313"/>
        <source>%1: Cannot watch for Ctrl+C.
</source>
        <translation>%1: не удаётся отслеживать Ctrl+C.
</translation>
    </message>
</context>
<context>
    <name>K_FlightSimulatorBMPReader</name>
    <message>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="141"/>
        <source>File not exists</source>
        <translation>Файл не существует</translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="144"/>
        <source>File opening error</source>
        <translation>Ошибка открытия файла</translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="197"/>
        <source>BMP file header reading error</source>
        <translation>Ошибка чтения заголовка файла BMP</translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="199"/>
        <source>File is not BMP file</source>
        <translation>Файл не является файлом BMP</translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="211"/>
        <source>BMP info header reading error</source>
        <translation>Ошибка чтения информационного заголовка BMP</translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="213"/>
        <source>Unsupported BMP info header size</source>
        <translation>Неподдерживаемый размер информационного заголовка BMP</translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="230"/>
        <source>Unsupported image compression type</source>
        <translation>Неподдерживаемый тип сжатия изображения</translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="237"/>
        <source>Unsupported image dimensions</source>
        <translation>Неподдерживаемые размеры изображения</translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="255"/>
        <source>BMP FSX header reading error</source>
        <translation>Ошибка чтения заголовка FSX в файле BMP</translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="257"/>
        <source>Unsupported BMP format</source>
        <translation>Неподдерживаемый формат BMP</translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="259"/>
        <source>Unsupported BMP version</source>
        <translation>Неподдерживаемая версия BMP</translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="174"/>
        <source>BMP offset to the bitmap bits is incorrect</source>
        <translation>Неверное смещение до данных изображения BMP</translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="178"/>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="180"/>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="185"/>
        <source>Compressed image reading error</source>
        <translation>Ошибка чтения сжатого изображения</translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="183"/>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="282"/>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="296"/>
        <source>Not enough memory to read the image</source>
        <translation>Недостаточно памяти для чтения изображения</translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="141"/>
        <location filename="../tiles/k_flightsimulatorbmpreader.cpp" line="149"/>
        <source>File opening error: %1</source>
        <translation>Ошибка открытия файла: %1</translation>
    </message>
</context>
<context>
    <name>K_FlightSimulatorTile</name>
    <message>
        <location filename="../tiles/k_flightsimulatortile_assembly.cpp" line="277"/>
        <source>Tile &quot;%1&quot; does not fit into memory, its quarters are saved separately.</source>
        <translation>Тайл &quot;%1&quot; не помещается в память, его четверти сохраняются по отдельности.</translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatortile_assembly.cpp" line="380"/>
        <source>BMP tile &quot;%1&quot; read error: </source>
        <translation>Ошибка чтения BMP-тайла &quot;%1&quot;: </translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatortile_assembly.cpp" line="383"/>
        <source>BMP tile &quot;%1&quot; image dimensions not 256x256.</source>
        <translation>Размеры изображения BMP-тайла &quot;%1&quot; не равны 256x256.</translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatortile_assembly.cpp" line="365"/>
        <source>Tile &quot;%1&quot; begin painting error.</source>
        <translation>Ошибка начала рисования тайла &quot;%1&quot;.</translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatortile_output.cpp" line="85"/>
        <source>Tile &quot;%1&quot; save error.</source>
        <translation>Ошибка сохранения тайла &quot;%1&quot;.</translation>
    </message>
    <message>
        <location filename="../tiles/k_flightsimulatortile_output.cpp" line="48"/>
        <source>Tile &quot;%1&quot; .inf create error.</source>
        <translation>Ошибка создания файла .inf тайла &quot;%1&quot;.</translation>
    </message>
</context>
<context>
    <name>K_FormAbout</name>
    <message>
        <location filename="../ui/k_formabout.ui" line="14"/>
        <source>About ORVIK</source>
        <translation>О программе ORVIK</translation>
    </message>
    <message>
        <location filename="../ui/k_formabout.ui" line="20"/>
        <source>ORVIK - Kelvaro v0.05</source>
        <translation>ORVIK - Kelvaro v0.05</translation>
    </message>
    <message>
        <location filename="../ui/k_formabout.ui" line="30"/>
        <source>Copyright © 2026 the ORVIK developers</source>
        <translation>© 2026 разработчики ORVIK</translation>
    </message>
</context>
<context>
    <name>K_FormAboutSquish</name>
    <message>
        <location filename="../ui/k_formaboutsquish.ui" line="14"/>
        <source>About Squish</source>
        <translation>О библиотеке Squish</translation>
    </message>
    <message>
        <location filename="../ui/k_formaboutsquish.ui" line="20"/>
        <source>This program uses squish library version 1.10 for DXTn images decompression</source>
        <translation>Эта программа использует библиотеку squish версии 1.10 для распаковки изображений DXTn</translation>
    </message>
</context>
<context>
    <name>K_FormMain</name>
    <message>
        <location filename="../ui/k_formmain.ui" line="14"/>
        <source>Kelvaro</source>
        <translation>Kelvaro</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="224"/>
        <location filename="../ui/k_formmain.ui" line="227"/>
        <source>About Qt</source>
        <translation>О Qt</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="232"/>
        <source>E&amp;xit</source>
        <translation>В&amp;ыход</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="235"/>
        <source>Exit</source>
        <translation>Выход</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="238"/>
        <source>Ctrl+Q</source>
        <translation>Ctrl+Q</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="243"/>
        <location filename="../ui/k_formmain.ui" line="246"/>
        <source>About ORVIK</source>
        <translation>О программе ORVIK</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="251"/>
        <source>&amp;Options</source>
        <translation>&amp;Параметры</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="254"/>
        <source>Options</source>
        <translation>Параметры</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="259"/>
        <location filename="../ui/k_formmain.ui" line="262"/>
        <source>About Squish</source>
        <translation>О библиотеке Squish</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="64"/>
        <location filename="../ui/k_formmain.ui" line="88"/>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="47"/>
        <source>Source folder:</source>
        <translation>Исходная папка:</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="54"/>
        <source>&lt;p&gt;The folder that holds the FS9 tile bitmaps (files ending in SU.BMP). Subfolders are not searched: pick the folder the tiles are in, often &quot;texture&quot;. You can drop a folder here.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Папка с BMP-тайлами FS9 (файлы, оканчивающиеся на SU.BMP). Подпапки не просматриваются: выберите папку, в которой лежат сами тайлы, часто это &quot;texture&quot;. Папку можно перетащить сюда.&lt;/p&gt;</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="61"/>
        <source>Choose the source folder</source>
        <translation>Выбрать исходную папку</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="71"/>
        <source>Destination folder:</source>
        <translation>Папка назначения:</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="78"/>
        <source>&lt;p&gt;Where the output goes: one .inf file per destination tile for the resampler, and the TIFF pictures in its subfolder &quot;Source&quot;. You can drop a folder here.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Куда записывается результат: по одному файлу .inf на итоговый тайл для ресемплера и изображения TIFF в подпапке &quot;Source&quot; этой папки. Папку можно перетащить сюда.&lt;/p&gt;</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="85"/>
        <source>Choose the destination folder</source>
        <translation>Выбрать папку назначения</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="95"/>
        <source>BGL LOD:</source>
        <translation>BGL LOD:</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="102"/>
        <source>&lt;p&gt;The level of the destination tiles, 0 to 13: each destination tile gets one .inf file. A lower level makes fewer, larger destination tiles.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Уровень итоговых тайлов, от 0 до 13: на каждый итоговый тайл записывается один файл .inf. Чем ниже уровень, тем итоговых тайлов меньше и тем они крупнее.&lt;/p&gt;</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="118"/>
        <source>Compression quality:</source>
        <translation>Качество сжатия:</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="125"/>
        <source>&lt;p&gt;The compression quality, 1 to 100, that the resampler is told to use in the .inf files. The TIFF pictures themselves are not compressed.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Качество сжатия от 1 до 100, которое файлы .inf задают ресемплеру. Сами изображения TIFF не сжимаются.&lt;/p&gt;</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="148"/>
        <source>Convert the source folder into the destination folder (Enter)</source>
        <translation>Конвертировать исходную папку в папку назначения (Enter)</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="154"/>
        <source>Convert</source>
        <translation>Конвертировать</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="161"/>
        <source>Stop the conversion; what is written so far stays</source>
        <translation>Остановить конвертацию; уже записанное сохранится</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="164"/>
        <source>Break</source>
        <translation>Прервать</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="171"/>
        <source>Empty the log below</source>
        <translation>Очистить журнал ниже</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="174"/>
        <source>Clear log</source>
        <translation>Очистить журнал</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="200"/>
        <source>&amp;Help</source>
        <translation>&amp;Справка</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="209"/>
        <source>&amp;File</source>
        <translation>&amp;Файл</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="267"/>
        <source>Preview tile set...</source>
        <translation>Предпросмотр набора тайлов...</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="270"/>
        <source>Shows a map of the tiles in the source folder</source>
        <translation>Показывает карту тайлов исходной папки</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="275"/>
        <source>Make sample tile set...</source>
        <translation>Создать пробный набор тайлов...</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="278"/>
        <source>Writes a small FS9 tile set to try ORVIK on and makes it the source folder</source>
        <translation>Записывает небольшой набор тайлов FS9 для пробы и делает его папку исходной</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="283"/>
        <source>Open &amp;destination folder</source>
        <translation>Открыть папку &amp;назначения</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.ui" line="286"/>
        <source>Open the destination folder of the finished conversion</source>
        <translation>Открыть папку назначения завершённой конвертации</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.cpp" line="287"/>
        <source>Select source folder</source>
        <translation>Выберите исходную папку</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.cpp" line="297"/>
        <source>Select destination folder</source>
        <translation>Выберите папку назначения</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.cpp" line="379"/>
        <source>Select the folder to make the sample tile set in</source>
        <translation>Выберите папку, в которой создать пробный набор тайлов</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.cpp" line="387"/>
        <source>&quot;%1&quot; already exists. Choose another folder, or move it away first.</source>
        <translation>&quot;%1&quot; уже существует. Выберите другую папку или сначала уберите эту.</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.cpp" line="401"/>
        <source>Cannot open &quot;%1&quot;.</source>
        <translation>Не удаётся открыть &quot;%1&quot;.</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.cpp" line="412"/>
        <source>Stopping...</source>
        <translation>Остановка...</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.cpp" line="418"/>
        <source>Tiles found: %1</source>
        <translation>Найдено тайлов: %1</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.cpp" line="420"/>
        <source>%1 of %2 tiles</source>
        <translation>Тайлов: %1 из %2</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.cpp" line="422"/>
        <source>%1 of %2 destination tiles</source>
        <translation>Итоговых тайлов: %1 из %2</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.cpp" line="239"/>
        <location filename="../ui/k_formmain.cpp" line="368"/>
        <location filename="../ui/k_formmain.cpp" line="394"/>
        <source>Warning</source>
        <translation>Предупреждение</translation>
    </message>
    <message>
        <location filename="../ui/k_formmain.cpp" line="240"/>
        <source>Application closing is impossible until termination of conversion process.</source>
        <translation>Закрытие приложения невозможно до завершения процесса конвертации.</translation>
    </message>
</context>
<context>
    <name>K_FormOptions</name>
    <message>
        <location filename="../ui/k_formoptions.ui" line="14"/>
        <source>Options</source>
        <translation>Параметры</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="20"/>
        <source>&lt;p&gt;On: a tile with no visible pixel is skipped (left out), as if it were missing. Off: it is used as it is.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Включено: тайл без единого видимого пикселя пропускается (не используется), как если бы его не было. Выключено: он используется как есть.&lt;/p&gt;</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="23"/>
        <source>Pass completely transparent tiles</source>
        <translation>Пропускать полностью прозрачные тайлы</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="30"/>
        <source>&lt;p&gt;On: a broken tile (unreadable, or not 256x256) is skipped (left out). Off: it is painted white. It is logged either way.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Включено: повреждённый тайл (нечитаемый или не 256x256) пропускается (не используется). Выключено: он закрашивается белым. В журнал он попадает в любом случае.&lt;/p&gt;</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="33"/>
        <source>Pass broken tiles</source>
        <translation>Пропускать повреждённые тайлы</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="40"/>
        <source>&lt;p&gt;On: each destination tile becomes one picture, with missing parts left transparent. Off: a destination tile with gaps is saved as several smaller pictures of its complete parts.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Включено: каждый итоговый тайл становится одним изображением, недостающие части остаются прозрачными. Выключено: итоговый тайл с пропусками сохраняется несколькими меньшими изображениями своих полных частей.&lt;/p&gt;</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="43"/>
        <source>Single destination image</source>
        <translation>Одно итоговое изображение</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="50"/>
        <source>&lt;p&gt;On: each source tile is turned upside down. Use it only for scenery whose tiles come out mirrored north to south.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Включено: каждый исходный тайл переворачивается сверху вниз. Включайте только для сцен, тайлы которых получаются отражёнными с севера на юг.&lt;/p&gt;</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="53"/>
        <source>Vertical mirror source tiles</source>
        <translation>Отражать исходные тайлы по вертикали</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="60"/>
        <source>&lt;p&gt;On: the spring, fall, winter, hard winter and night tiles (SP, FA, WI, HW and LM instead of SU) are converted too, into pictures of their own that the same .inf files list. Off: only the summer tiles are read.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Включено: тайлы весны, осени, зимы, суровой зимы и ночные тайлы (SP, FA, WI, HW и LM вместо SU) тоже конвертируются в отдельные изображения, которые перечисляются в тех же файлах .inf. Выключено: читаются только летние тайлы.&lt;/p&gt;</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="63"/>
        <source>Convert seasons and night tiles</source>
        <translation>Конвертировать сезонные и ночные тайлы</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="70"/>
        <source>&lt;p&gt;On: a destination tile that an earlier run into the same folder finished, from the same tiles with the same settings, and whose files are unchanged since, is left alone, so a run picks up where an earlier one stopped. Off: every destination tile is converted again.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Вкл.: итоговый тайл, который прежний запуск в ту же папку завершил из тех же тайлов с теми же настройками и чьи файлы с тех пор не изменились, остаётся как есть, так что запуск продолжает с того места, где остановился прежний. Выкл.: каждый итоговый тайл конвертируется заново.&lt;/p&gt;</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="80"/>
        <source>Resampler</source>
        <translation>Ресемплер</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="86"/>
        <source>&lt;p&gt;On: a third step runs the resampler on the .inf file of each destination tile written or already converted, and it makes the BGL file in the destination folder. A BGL file already made from the same .inf file is not made again. Off: ORVIK stops at the .inf files.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Вкл.: третий шаг запускает ресемплер для файла .inf каждого записанного или уже конвертированного итогового тайла, и он создаёт файл BGL в папке назначения. Файл BGL, уже созданный из того же файла .inf, заново не создаётся. Выкл.: ORVIK останавливается на файлах .inf.&lt;/p&gt;</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="89"/>
        <source>Run the resampler after converting</source>
        <translation>Запускать ресемплер после конвертирования</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="96"/>
        <source>Resampler:</source>
        <translation>Ресемплер:</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="112"/>
        <source>&lt;p&gt;The resampler of the FSX SDK, resample.exe, which makes the BGL files. It comes with the FSX SDK (FSX Deluxe, Acceleration or Gold) in SDK\Environment Kit\Terrain SDK, and with the Prepar3D SDKs; the SDK of the Steam edition lacks it.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Ресемплер из FSX SDK, resample.exe, который создаёт файлы BGL. Он входит в FSX SDK (FSX Deluxe, Acceleration или Gold) в папке SDK\Environment Kit\Terrain SDK и в SDK Prepar3D; в SDK издания Steam его нет.&lt;/p&gt;</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="119"/>
        <location filename="../ui/k_formoptions.cpp" line="54"/>
        <source>Choose the resampler</source>
        <translation>Выберите ресемплер</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="122"/>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="129"/>
        <source>Resamplers at once:</source>
        <translation>Ресемплеров одновременно:</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="145"/>
        <source>&lt;p&gt;How many resamplers run at the same time, each on a destination tile of its own. Each keeps a processor core busy and reads and writes much: half the cores is a good start.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Сколько ресемплеров работают одновременно, каждый над своим итоговым тайлом. Каждый занимает ядро процессора и много читает и пишет: для начала подойдёт половина ядер.&lt;/p&gt;</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.ui" line="73"/>
        <source>Skip destination tiles already converted</source>
        <translation>Пропускать уже преобразованные итоговые тайлы</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.cpp" line="36"/>
        <source>No resample.exe in the usual folders of the FSX and Prepar3D SDKs: choose it with &quot;...&quot;.</source>
        <translation>В обычных папках FSX SDK и SDK Prepar3D нет resample.exe: выберите его кнопкой &quot;...&quot;.</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.cpp" line="38"/>
        <source>The resampler was found in the usual folder of its SDK.</source>
        <translation>Ресемплер найден в обычной папке своего SDK.</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.cpp" line="55"/>
        <source>Resampler (resample.exe);;Programs (*.exe *.com);;All files (*)</source>
        <translation>Ресемплер (resample.exe);;Программы (*.exe *.com);;Все файлы (*)</translation>
    </message>
    <message>
        <location filename="../ui/k_formoptions.cpp" line="65"/>
        <source>Choose the resampler, or turn off running it after converting.</source>
        <translation>Выберите ресемплер или отключите его запуск после конвертирования.</translation>
    </message>
</context>
<context>
    <name>K_FormPreview</name>
    <message>
        <location filename="../ui/k_formpreview.ui" line="14"/>
        <source>Tile set preview</source>
        <translation>Предпросмотр набора тайлов</translation>
    </message>
    <message>
        <location filename="../ui/k_formpreview.ui" line="22"/>
        <source>Variant:</source>
        <translation>Вариант:</translation>
    </message>
    <message>
        <location filename="../ui/k_formpreview.ui" line="52"/>
        <source>Fit to window</source>
        <translation>Вписать в окно</translation>
    </message>
    <message>
        <location filename="../ui/k_formpreview.cpp" line="50"/>
        <location filename="../ui/k_formpreview.cpp" line="249"/>
        <source>imagery</source>
        <translation>снимок</translation>
    </message>
    <message>
        <location filename="../ui/k_formpreview.cpp" line="53"/>
        <location filename="../ui/k_formpreview.cpp" line="252"/>
        <source>completely transparent</source>
        <translation>полностью прозрачный</translation>
    </message>
    <message>
        <location filename="../ui/k_formpreview.cpp" line="54"/>
        <location filename="../ui/k_formpreview.cpp" line="255"/>
        <source>broken</source>
        <translation>повреждён</translation>
    </message>
    <message>
        <location filename="../ui/k_formpreview.cpp" line="55"/>
        <location filename="../ui/k_formpreview.cpp" line="246"/>
        <source>no tile</source>
        <translation>нет тайла</translation>
    </message>
    <message>
        <location filename="../ui/k_formpreview.cpp" line="57"/>
        <source>destination tile (BGL LOD %1)</source>
        <translation>итоговый тайл (BGL LOD %1)</translation>
    </message>
    <message>
        <location filename="../ui/k_formpreview.cpp" line="59"/>
        <source>Tile set preview: %1</source>
        <translation>Предпросмотр набора тайлов: %1</translation>
    </message>
    <message>
        <location filename="../ui/k_formpreview.cpp" line="98"/>
        <source>Reading the source folder...</source>
        <translation>Чтение исходной папки...</translation>
    </message>
    <message>
        <location filename="../ui/k_formpreview.cpp" line="141"/>
        <source>summer</source>
        <translation>лето</translation>
    </message>
    <message>
        <location filename="../ui/k_formpreview.cpp" line="141"/>
        <source>spring</source>
        <translation>весна</translation>
    </message>
    <message>
        <location filename="../ui/k_formpreview.cpp" line="142"/>
        <source>autumn</source>
        <translation>осень</translation>
    </message>
    <message>
        <location filename="../ui/k_formpreview.cpp" line="142"/>
        <source>winter</source>
        <translation>зима</translation>
    </message>
    <message>
        <location filename="../ui/k_formpreview.cpp" line="143"/>
        <source>hard winter</source>
        <translation>суровая зима</translation>
    </message>
    <message>
        <location filename="../ui/k_formpreview.cpp" line="143"/>
        <source>light map</source>
        <translation>ночное освещение</translation>
    </message>
    <message numerus="yes">
        <location filename="../ui/k_formpreview.cpp" line="214"/>
        <source>%1 of %n tile(s) read: %2 broken, %3 completely transparent;</source>
        <translation>
            <numerusform>Прочитано %1 из %n тайла: повреждённых: %2, полностью прозрачных: %3;</numerusform>
            <numerusform>Прочитано %1 из %n тайлов: повреждённых: %2, полностью прозрачных: %3;</numerusform>
            <numerusform>Прочитано %1 из %n тайлов: повреждённых: %2, полностью прозрачных: %3;</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <location filename="../ui/k_formpreview.cpp" line="219"/>
        <source>%n destination tile(s) at BGL LOD %1.</source>
        <translation>
            <numerusform>%n итоговый тайл на BGL LOD %1.</numerusform>
            <numerusform>%n итоговых тайла на BGL LOD %1.</numerusform>
            <numerusform>%n итоговых тайлов на BGL LOD %1.</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../ui/k_formpreview.cpp" line="255"/>
        <source>broken: %1</source>
        <translation>повреждён: %1</translation>
    </message>
    <message numerus="yes">
        <location filename="../ui/k_formpreview.cpp" line="259"/>
        <source>%1: %n tile(s), %2</source>
        <translation>
            <numerusform>%1: %n тайл, %2</numerusform>
            <numerusform>%1: %n тайла, %2</numerusform>
            <numerusform>%1: %n тайлов, %2</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../ui/k_formpreview.cpp" line="223"/>
        <source>One point covers %1 x %1 tiles.</source>
        <translation>Одна точка охватывает квадрат тайлов %1 x %1.</translation>
    </message>
    <message>
        <location filename="../ui/k_formpreview.cpp" line="246"/>
        <source>not read yet</source>
        <translation>ещё не прочитан</translation>
    </message>
</context>
<context>
    <name>K_PreviewCommandLine</name>
    <message numerus="yes">
        <location filename="../app/k_previewcommandline.cpp" line="20"/>
        <source>%1: %2 of %n tile(s), %3 broken, %4 completely transparent</source>
        <translation>
            <numerusform>%1: %2 из %n тайла, повреждённых: %3, полностью прозрачных: %4</numerusform>
            <numerusform>%1: %2 из %n тайлов, повреждённых: %3, полностью прозрачных: %4</numerusform>
            <numerusform>%1: %2 из %n тайлов, повреждённых: %3, полностью прозрачных: %4</numerusform>
        </translation>
    </message>
    <message>
        <location filename="../app/k_previewcommandline.cpp" line="30"/>
        <source>Writes a map of the FS9 tile bitmaps in SOURCE as a PNG picture, each tile a square of 1 to 32 pixels, the largest that keeps the picture within 2,048 pixels (where the tiles span more than 4,096 across, one square covers 2x2, 4x4, ... tiles), and prints what each destination tile holds.</source>
        <translation>Записывает карту BMP-тайлов FS9 из SOURCE в картинку PNG, каждый тайл квадратом от 1 до 32 пикселей, наибольшим, при котором картинка не выходит за 2048 пикселей (если тайлы занимают больше 4096 в ширину или высоту, один квадрат покрывает 2x2, 4x4, ... тайлов), и выводит, что содержит каждый итоговый тайл.</translation>
    </message>
    <message>
        <location filename="../app/k_previewcommandline.cpp" line="36"/>
        <source>The folder that holds the FS9 tile bitmaps.</source>
        <translation>Папка с BMP-тайлами FS9.</translation>
    </message>
    <message>
        <location filename="../app/k_previewcommandline.cpp" line="37"/>
        <source>The picture to write.</source>
        <translation>Картинка, которую нужно записать.</translation>
    </message>
    <message>
        <location filename="../app/k_previewcommandline.cpp" line="40"/>
        <source>The level of the destination tiles to outline and count, 0 to 13 (default 8).</source>
        <translation>Уровень итоговых тайлов, которые обводятся и подсчитываются, от 0 до 13 (по умолчанию 8).</translation>
    </message>
    <message>
        <location filename="../app/k_previewcommandline.cpp" line="43"/>
        <source>The variant to show: su, sp, fa, wi, hw or lm (default su).</source>
        <translation>Показываемый вариант: su, sp, fa, wi, hw или lm (по умолчанию su).</translation>
    </message>
    <message>
        <location filename="../app/k_previewcommandline.cpp" line="55"/>
        <source>SOURCE and OUTPUT.png are needed, and nothing else.</source>
        <translation>Нужны SOURCE и OUTPUT.png, и ничего больше.</translation>
    </message>
    <message>
        <location filename="../app/k_previewcommandline.cpp" line="63"/>
        <source>BGL LOD must be a whole number from 0 to 13, not &quot;%1&quot;.</source>
        <translation>BGL LOD должен быть целым числом от 0 до 13, а не &quot;%1&quot;.</translation>
    </message>
    <message>
        <location filename="../app/k_previewcommandline.cpp" line="74"/>
        <source>Unknown variant &quot;%1&quot;.</source>
        <translation>Неизвестный вариант &quot;%1&quot;.</translation>
    </message>
    <message>
        <location filename="../app/k_previewcommandline.cpp" line="120"/>
        <source>%1: Cannot write &quot;%2&quot;: %3
</source>
        <translation>%1: Не удаётся записать &quot;%2&quot;: %3
</translation>
    </message>
</context>
<context>
    <name>K_PreviewThread</name>
    <message>
        <location filename="../engine/k_previewthread.cpp" line="89"/>
        <source>No tile bitmaps of variant %1 in &quot;%2&quot;.</source>
        <translation>В &quot;%2&quot; нет тайлов варианта %1.</translation>
    </message>
    <message>
        <location filename="../engine/k_previewthread.cpp" line="213"/>
        <source>Not enough memory for the map.</source>
        <translation>Недостаточно памяти для карты.</translation>
    </message>
    <message>
        <location filename="../engine/k_previewthread.cpp" line="265"/>
        <source>Image dimensions not 256x256</source>
        <translation>Размеры изображения не равны 256x256</translation>
    </message>
</context>
<context>
    <name>K_SampleCommandLine</name>
    <message>
        <location filename="../app/k_samplecommandline.cpp" line="20"/>
        <source>Writes ORVIK&apos;s sample FS9 tile set into FOLDER, which must be new or empty: two destination tiles of DXT1, DXT3 and DXT5 tiles with a gap, a completely transparent tile and a broken one, and winter and night tiles.</source>
        <translation>Записывает пробный набор тайлов FS9 программы ORVIK в папку FOLDER, которая должна быть новой или пустой: два итоговых тайла из тайлов DXT1, DXT3 и DXT5 с пропуском, полностью прозрачным и повреждённым тайлом, а также зимние и ночные тайлы.</translation>
    </message>
    <message>
        <location filename="../app/k_samplecommandline.cpp" line="24"/>
        <source>The folder to write the tile bitmaps into.</source>
        <translation>Папка, в которую записываются BMP-тайлы.</translation>
    </message>
    <message>
        <location filename="../app/k_samplecommandline.cpp" line="33"/>
        <source>Name one folder.</source>
        <translation>Укажите одну папку.</translation>
    </message>
    <message>
        <location filename="../app/k_samplecommandline.cpp" line="38"/>
        <source>Unknown option &quot;%1&quot;.</source>
        <translation>Неизвестный параметр &quot;%1&quot;.</translation>
    </message>
</context>
<context>
    <name>K_SampleTiles</name>
    <message>
        <location filename="../tiles/k_sampletiles.cpp" line="34"/>
        <source>Cannot write &quot;%1&quot;: %2.</source>
        <translation>Невозможно записать &quot;%1&quot;: %2.</translation>
    </message>
    <message>
        <location filename="../tiles/k_sampletiles.cpp" line="47"/>
        <source>&quot;%1&quot; is not a folder.</source>
        <translation>&quot;%1&quot; не является папкой.</translation>
    </message>
    <message>
        <location filename="../tiles/k_sampletiles.cpp" line="53"/>
        <source>&quot;%1&quot; is not empty; the sample tile set goes only into an empty or new folder.</source>
        <translation>Папка &quot;%1&quot; не пуста; пробный набор тайлов записывается только в пустую или новую папку.</translation>
    </message>
    <message>
        <location filename="../tiles/k_sampletiles.cpp" line="59"/>
        <source>The folder &quot;%1&quot; cannot be created.</source>
        <translation>Папку &quot;%1&quot; невозможно создать.</translation>
    </message>
    <message numerus="yes">
        <location filename="../tiles/k_sampletiles.cpp" line="105"/>
        <source>%n FS9 tile bitmap(s) written into &quot;%1&quot;.</source>
        <translation>
            <numerusform>Записан %n BMP-тайл FS9 в папку &quot;%1&quot;.</numerusform>
            <numerusform>Записано %n BMP-тайла FS9 в папку &quot;%1&quot;.</numerusform>
            <numerusform>Записано %n BMP-тайлов FS9 в папку &quot;%1&quot;.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>K_TileReadAhead</name>
    <message>
        <location filename="../tiles/k_tilereadahead.cpp" line="82"/>
        <source>Not enough memory</source>
        <translation>Недостаточно памяти</translation>
    </message>
    <message>
        <location filename="../tiles/k_tilereadahead.cpp" line="82"/>
        <source>Unexpected error</source>
        <translation>Непредвиденная ошибка</translation>
    </message>
</context>
</TS>
