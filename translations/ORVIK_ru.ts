<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU" sourcelanguage="en">
<context>
    <name>K_BuilderThread</name>
    <message>
        <source>Step 1 of 2. Source folder scanning...</source>
        <translation>Шаг 1 из 2. Сканирование исходной папки...</translation>
    </message>
    <message>
        <source>Step 2 of 2. Build images...</source>
        <translation>Шаг 2 из 2. Построение изображений...</translation>
    </message>
    <message>
        <source>Tile &quot;%1&quot; saved.</source>
        <translation>Тайл &quot;%1&quot; сохранён.</translation>
    </message>
    <message>
        <source>Converting complete.</source>
        <translation>Конвертация завершена.</translation>
    </message>
    <message>
        <source>Break.</source>
        <translation>Прервано.</translation>
    </message>
    <message>
        <source>Source folder &quot;%1&quot; does not exist.</source>
        <translation>Исходная папка &quot;%1&quot; не существует.</translation>
    </message>
    <message>
        <source>Destination folder is not set.</source>
        <translation>Папка назначения не задана.</translation>
    </message>
</context>
<context>
    <name>K_FlightSimulatorBMPReader</name>
    <message>
        <source>File not exists</source>
        <translation>Файл не существует</translation>
    </message>
    <message>
        <source>File opening error</source>
        <translation>Ошибка открытия файла</translation>
    </message>
    <message>
        <source>BMP file header reading error</source>
        <translation>Ошибка чтения заголовка файла BMP</translation>
    </message>
    <message>
        <source>File is not BMP file</source>
        <translation>Файл не является файлом BMP</translation>
    </message>
    <message>
        <source>BMP info header reading error</source>
        <translation>Ошибка чтения информационного заголовка BMP</translation>
    </message>
    <message>
        <source>Unsupported BMP info header size</source>
        <translation>Неподдерживаемый размер информационного заголовка BMP</translation>
    </message>
    <message>
        <source>Unsupported image compression type</source>
        <translation>Неподдерживаемый тип сжатия изображения</translation>
    </message>
    <message>
        <source>Unsupported image dimensions</source>
        <translation>Неподдерживаемые размеры изображения</translation>
    </message>
    <message>
        <source>BMP FSX header reading error</source>
        <translation>Ошибка чтения заголовка FSX в файле BMP</translation>
    </message>
    <message>
        <source>Unsupported BMP format</source>
        <translation>Неподдерживаемый формат BMP</translation>
    </message>
    <message>
        <source>Unsupported BMP version</source>
        <translation>Неподдерживаемая версия BMP</translation>
    </message>
    <message>
        <source>BMP offset to the bitmap bits is incorrect</source>
        <translation>Неверное смещение до данных изображения BMP</translation>
    </message>
    <message>
        <source>Compressed image reading error</source>
        <translation>Ошибка чтения сжатого изображения</translation>
    </message>
    <message>
        <source>Not enough memory to read the image</source>
        <translation>Недостаточно памяти для чтения изображения</translation>
    </message>
</context>
<context>
    <name>K_FlightSimulatorTile</name>
    <message>
        <source>BMP tile &quot;%1&quot; read error: </source>
        <translation>Ошибка чтения BMP-тайла &quot;%1&quot;: </translation>
    </message>
    <message>
        <source>BMP tile &quot;%1&quot; image dimensions not 256x256.</source>
        <translation>Размеры изображения BMP-тайла &quot;%1&quot; не равны 256x256.</translation>
    </message>
    <message>
        <source>Tile &quot;%1&quot; begin painting error.</source>
        <translation>Ошибка начала рисования тайла &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>Tile &quot;%1&quot; save error.</source>
        <translation>Ошибка сохранения тайла &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>Tile &quot;%1&quot; .inf create error.</source>
        <translation>Ошибка создания файла .inf тайла &quot;%1&quot;.</translation>
    </message>
</context>
<context>
    <name>K_FormAbout</name>
    <message>
        <source>About ORVIK</source>
        <translation>О программе ORVIK</translation>
    </message>
    <message>
        <source>ORVIK - Kelvaro v0.05</source>
        <translation>ORVIK - Kelvaro v0.05</translation>
    </message>
    <message>
        <source>Copyright © 2026 the ORVIK developers</source>
        <translation>© 2026 разработчики ORVIK</translation>
    </message>
</context>
<context>
    <name>K_FormAboutSquish</name>
    <message>
        <source>About Squish</source>
        <translation>О библиотеке Squish</translation>
    </message>
    <message>
        <source>This program uses squish library version 1.10 for DXTn images decompression</source>
        <translation>Эта программа использует библиотеку squish версии 1.10 для распаковки изображений DXTn</translation>
    </message>
</context>
<context>
    <name>K_FormMain</name>
    <message>
        <source>Kelvaro</source>
        <translation>Kelvaro</translation>
    </message>
    <message>
        <source>About Qt</source>
        <translation>О Qt</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>В&amp;ыход</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Выход</translation>
    </message>
    <message>
        <source>Ctrl+Q</source>
        <translation>Ctrl+Q</translation>
    </message>
    <message>
        <source>About ORVIK</source>
        <translation>О программе ORVIK</translation>
    </message>
    <message>
        <source>&amp;Options</source>
        <translation>&amp;Параметры</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Параметры</translation>
    </message>
    <message>
        <source>About Squish</source>
        <translation>О библиотеке Squish</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Source folder:</source>
        <translation>Исходная папка:</translation>
    </message>
    <message>
        <source>Destination folder:</source>
        <translation>Папка назначения:</translation>
    </message>
    <message>
        <source>BGL LOD:</source>
        <translation>BGL LOD:</translation>
    </message>
    <message>
        <source>Compression quality:</source>
        <translation>Качество сжатия:</translation>
    </message>
    <message>
        <source>Convert</source>
        <translation>Конвертировать</translation>
    </message>
    <message>
        <source>Break</source>
        <translation>Прервать</translation>
    </message>
    <message>
        <source>Clear log</source>
        <translation>Очистить журнал</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Справка</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Файл</translation>
    </message>
    <message>
        <source>Select source folder</source>
        <translation>Выберите исходную папку</translation>
    </message>
    <message>
        <source>Select destination folder</source>
        <translation>Выберите папку назначения</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Предупреждение</translation>
    </message>
    <message>
        <source>Application closing is impossible until termination of conversion process.</source>
        <translation>Закрытие приложения невозможно до завершения процесса конвертации.</translation>
    </message>
</context>
<context>
    <name>K_FormOptions</name>
    <message>
        <source>Options</source>
        <translation>Параметры</translation>
    </message>
    <message>
        <source>Pass completely transparent tiles</source>
        <translation>Пропускать полностью прозрачные тайлы</translation>
    </message>
    <message>
        <source>Pass broken tiles</source>
        <translation>Пропускать повреждённые тайлы</translation>
    </message>
    <message>
        <source>Single destination image</source>
        <translation>Одно итоговое изображение</translation>
    </message>
    <message>
        <source>Vertical mirror source tiles</source>
        <translation>Отражать исходные тайлы по вертикали</translation>
    </message>
</context>
</TS>
