# The Windows install: one flat folder that runs wherever it is copied, holding the programs, their
# catalogues, the DLLs and Qt plug-ins they load, a README for Windows users and the licence of
# every library that comes along. Qt's windeployqt, which works out such a folder, runs on Windows
# only, so the files are named here; scripts/package-windows.sh proves the folder complete by
# checking that every DLL it imports is in it or part of Windows.
#
# Included by app/ and translations/, it puts the programs at the top of the install, and app/ then
# calls orvik_install_windows_runtime(). Run as a script (cmake -P) with ORVIK_TEXT set to readme or
# copy, it writes a text file for Windows at build time.

# Run as a script, it keeps empty table cells as list elements, as a project does.
if(CMAKE_SCRIPT_MODE_FILE)
    cmake_policy(SET CMP0007 NEW)
endif()

# Notepad before Windows 10 reads a file without a byte order mark in the ANSI code page and shows
# LF-only text as one line, so every text in the install is UTF-8 with a mark and CR LF line ends.
function(orvik_write_windows_text text output)
    string(ASCII 239 187 191 byte_order_mark)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE "${output}" "${byte_order_mark}${text}")
endfunction()

# A Markdown table as plain text: each row but the header as a list item, "first: second", with
# any further cell after its column's name in brackets ("--bgl-lod N: level ... (default: 8)").
function(orvik_text_of_table table out_var)
    # Semicolons would split the rows into cells of the wrong list.
    string(REPLACE ";" "<semicolon>" table "${table}")
    string(REGEX REPLACE "^\n" "" table "${table}")
    string(REPLACE "\n" ";" rows "${table}")
    set(text "")
    set(names "")
    foreach(row IN LISTS rows)
        if(row MATCHES "^[-|: ]+$")
            continue()
        endif()
        string(REGEX REPLACE "^\\| *| *\\|$" "" row "${row}")
        string(REGEX REPLACE " *\\| *" ";" cells "${row}")
        if(NOT names)
            set(names "${cells}")
            continue()
        endif()
        list(POP_FRONT cells first second)
        set(line "\n- ${first}: ${second}")
        set(column 2)
        foreach(cell IN LISTS cells)
            list(GET names ${column} name)
            if(NOT cell STREQUAL "")
                string(APPEND line " (${name}: ${cell})")
            endif()
            math(EXPR column "${column} + 1")
        endforeach()
        string(REGEX REPLACE ": $" "" line "${line}")
        string(APPEND text "${line}")
    endforeach()
    string(REPLACE "<semicolon>" ";" text "${text}")
    set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

# Markdown as plain text that Notepad shows as it is: headings underlined, tables as lists, no
# marks for code, emphasis or links; pictures, which are not beside the text, left out.
function(orvik_text_of_markdown text out_var)
    string(REGEX REPLACE "\n\n!\\[[^\n]*\\]\\([^\n]*\\)\n" "\n" text "${text}")
    string(REGEX REPLACE "\n!\\[[^\n]*\\]\\([^\n]*\\)\n" "\n" text "${text}")
    string(REGEX REPLACE "\\[([^]\n]*)\\]\\(#[^)\n]*\\)" "\"\\1\"" text "${text}")
    string(REGEX REPLACE "\\[([^]\n]*)\\]\\(([^)\n]*)\\)" "\\1 (\\2)" text "${text}")
    string(REGEX MATCHALL "(\n\\|[^\n]*)+" tables "${text}")
    foreach(table IN LISTS tables)
        orvik_text_of_table("${table}" table_text)
        string(REPLACE "${table}" "${table_text}" text "${text}")
    endforeach()
    # Emphasis may go on over a line end, not over a blank line.
    string(REGEX REPLACE "\\*\\*(([^*\n]|\n[^*\n])+)\\*\\*" "\\1" text "${text}")
    string(REGEX REPLACE "([ (\n])\\*([^* \n]([^*\n]|\n[^*\n])*[^* \n])\\*" "\\1\\2" text
                         "${text}")
    string(REPLACE "`" "" text "${text}")
    string(REGEX MATCHALL "\n#+ [^\n]*" headings "\n${text}")
    foreach(heading IN LISTS headings)
        string(REGEX REPLACE "^\n(#+) (.*)$" "\\1" marks "${heading}")
        string(REGEX REPLACE "^\n#+ " "" title "${heading}")
        string(LENGTH "${title}" length)
        if(marks STREQUAL "###")
            string(REPEAT "-" ${length} line)
        else()
            string(REPEAT "=" ${length} line)
        endif()
        string(REPLACE "${heading}\n" "\n${title}\n${line}\n" text "\n${text}")
        string(SUBSTRING "${text}" 1 -1 text)
    endforeach()
    set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

# The sections of the project README that a user of the programs needs, "On Windows" first: not
# those about building and developing, whose commands name a Linux build tree.
function(orvik_user_sections_of_readme text out_var)
    set(windows "")
    foreach(heading "On Windows" "On a new machine" "Building for Windows" "Building"
            "Running and installing" "Layout" "Tests" "Fuzzing" "Benchmarks")
        string(FIND "${text}" "\n## ${heading}\n" start)
        if(start EQUAL -1)
            continue()
        endif()
        math(EXPR after_start "${start} + 1")
        string(SUBSTRING "${text}" ${after_start} -1 rest)
        string(FIND "${rest}" "\n## " next)
        string(SUBSTRING "${text}" 0 ${after_start} kept)
        if(next EQUAL -1)
            set(section "${rest}")
            set(rest "")
        else()
            math(EXPR next "${next} + 1")
            string(SUBSTRING "${rest}" 0 ${next} section)
            string(SUBSTRING "${rest}" ${next} -1 rest)
        endif()
        if(heading STREQUAL "On Windows")
            set(windows "${section}")
        endif()
        set(text "${kept}${rest}")
    endforeach()
    # The first line is the project's title; the opening paragraphs up to the first section say
    # what ORVIK does, and "On Windows" follows them.
    string(FIND "${text}" "\n" title_end)
    math(EXPR title_end "${title_end} + 1")
    string(SUBSTRING "${text}" ${title_end} -1 text)
    string(FIND "${text}" "\n## " first_section)
    math(EXPR first_section "${first_section} + 1")
    string(SUBSTRING "${text}" 0 ${first_section} opening)
    string(SUBSTRING "${text}" ${first_section} -1 text)
    set(${out_var} "${opening}${windows}${text}" PARENT_SCOPE)
endfunction()

# The README for Windows: the opening written for it, then the user's sections of the project
# README, all as plain text. The programs are beside it, so build/bin/ goes from their paths.
function(orvik_write_windows_readme readme opening output)
    file(READ "${readme}" text)
    file(READ "${opening}" windows_text)
    orvik_user_sections_of_readme("${text}" text)
    string(REGEX REPLACE "build/(bin|app)/" "" text "${text}")
    orvik_text_of_markdown("${windows_text}${text}" text)
    orvik_write_windows_text("${text}" "${output}")
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
    if(ORVIK_TEXT STREQUAL "readme")
        orvik_write_windows_readme("${ORVIK_TEXT_INPUT}" "${ORVIK_TEXT_OPENING}"
                                   "${ORVIK_TEXT_OUTPUT}")
    elseif(ORVIK_TEXT STREQUAL "copy")
        file(READ "${ORVIK_TEXT_INPUT}" text)
        orvik_write_windows_text("${text}" "${ORVIK_TEXT_OUTPUT}")
    else()
        message(FATAL_ERROR "Set ORVIK_TEXT to readme or copy")
    endif()
    return()
endif()

# Windows finds a program's DLLs and Qt its plug-ins and catalogues beside the program, so
# everything shares the top of the install.
set(ORVIK_INSTALL_PROGRAM_DIR .)

set(ORVIK_WINDOWS_PACKAGE_SCRIPT ${CMAKE_CURRENT_LIST_FILE})

# Sets out_var to the path of a MinGW runtime DLL that the compiler links against, or fails.
function(orvik_find_mingw_runtime name out_var)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
        message(FATAL_ERROR "The compiler ${CMAKE_CXX_COMPILER} does not know ${name}")
    endif()
    get_filename_component(path "${path}" REALPATH)
    set(${out_var} "${path}" PARENT_SCOPE)
endfunction()

# Sets out_var to Debian's copyright file of the package that installed a file, or fails.
function(orvik_debian_copyright_of file out_var)
    execute_process(COMMAND dpkg-query -S "${file}" OUTPUT_VARIABLE owner
                    RESULT_VARIABLE status OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    # "package: path", or "package:architecture: path" for a package of several architectures.
    string(REGEX REPLACE ":.*" "" package "${owner}")
    set(copyright /usr/share/doc/${package}/copyright)
    if(NOT status EQUAL 0 OR NOT EXISTS "${copyright}")
        message(FATAL_ERROR "No Debian package with a copyright file owns ${file}")
    endif()
    set(${out_var} "${copyright}" PARENT_SCOPE)
endfunction()

# Installs a DLL that comes along into the folder destination, and strips its symbols under
# `cmake --install --strip` as CMake does the programs': the MinGW runtime alone sheds 20 MB. A
# file given as a generator expression needs its name given too.
function(orvik_install_windows_dll file destination)
    install(FILES "${file}" DESTINATION ${destination})
    if(ARGC GREATER 2)
        set(name "${ARGV2}")
    else()
        get_filename_component(name "${file}" NAME)
    endif()
    if(NOT CMAKE_STRIP)
        return()
    endif()
    install(CODE "
        if(CMAKE_INSTALL_DO_STRIP)
            execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded
                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}/${name}\"
                RESULT_VARIABLE status)
            if(NOT status EQUAL 0)
                message(FATAL_ERROR \"Could not strip ${name}\")
            endif()
        endif()")
endfunction()

# Installs what the programs need beside them on Windows, and the README and licences.
function(orvik_install_windows_runtime)
    # Qt: what the programs link (the window alone needs Widgets), the platform plug-in every
    # window needs and the style that makes them look native. No image-format plug-in: pictures
    # are written through libtiff, and the preview's PNG by Qt Gui's built-in handler.
    foreach(module Core Gui Widgets)
        orvik_install_windows_dll($<TARGET_FILE:Qt6::${module}> .
                                  $<TARGET_FILE_NAME:Qt6::${module}>)
    endforeach()
    foreach(plugin QWindowsIntegrationPlugin QWindowsVistaStylePlugin)
        if(NOT TARGET Qt6::${plugin})
            message(FATAL_ERROR "The Qt for Windows found lacks the plug-in ${plugin}")
        endif()
    endforeach()
    orvik_install_windows_dll($<TARGET_FILE:Qt6::QWindowsIntegrationPlugin> platforms
                              $<TARGET_FILE_NAME:Qt6::QWindowsIntegrationPlugin>)
    orvik_install_windows_dll($<TARGET_FILE:Qt6::QWindowsVistaStylePlugin> styles
                              $<TARGET_FILE_NAME:Qt6::QWindowsVistaStylePlugin>)

    # libtiff's DLL lies in bin beside the lib folder of its import library.
    get_target_property(tiff_import_library TIFF::TIFF IMPORTED_LOCATION_RELEASE)
    if(NOT tiff_import_library)
        get_target_property(tiff_import_library TIFF::TIFF IMPORTED_LOCATION)
    endif()
    get_filename_component(tiff_prefix "${tiff_import_library}" DIRECTORY)
    get_filename_component(tiff_prefix "${tiff_prefix}" DIRECTORY)
    find_file(ORVIK_TIFF_DLL NAMES libtiff.dll libtiff-6.dll PATHS "${tiff_prefix}/bin"
              NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
    if(NOT ORVIK_TIFF_DLL)
        message(FATAL_ERROR "No libtiff DLL beside ${tiff_import_library}")
    endif()
    orvik_install_windows_dll(${ORVIK_TIFF_DLL} .)

    set(runtime_dlls)
    foreach(name libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        orvik_find_mingw_runtime(${name} path)
        list(APPEND runtime_dlls ${path})
        orvik_install_windows_dll(${path} .)
    endforeach()

    # The README, written for Windows at build time so that it follows README.md.
    set(text_dir ${PROJECT_BINARY_DIR}/windows)
    set(readme_opening ${PROJECT_SOURCE_DIR}/packaging/readme-windows.md)
    add_custom_command(
        OUTPUT ${text_dir}/README.txt
        COMMAND ${CMAKE_COMMAND} -DORVIK_TEXT=readme
                -DORVIK_TEXT_INPUT=${PROJECT_SOURCE_DIR}/README.md
                -DORVIK_TEXT_OPENING=${readme_opening} -DORVIK_TEXT_OUTPUT=${text_dir}/README.txt
                -P ${ORVIK_WINDOWS_PACKAGE_SCRIPT}
        DEPENDS ${PROJECT_SOURCE_DIR}/README.md ${readme_opening} ${ORVIK_WINDOWS_PACKAGE_SCRIPT}
        COMMENT "Writing the README for Windows"
        VERBATIM)
    set(texts ${text_dir}/README.txt)
    install(FILES ${text_dir}/README.txt DESTINATION .)

    # The licences, from Debian's copyright files of the packages built from the same sources
    # (Qt, libtiff and libsquish for Windows come from Debian's source packages, see
    # scripts/windows-toolchain.sh) or that hold the runtime DLLs themselves.
    list(GET runtime_dlls 0 libstdcxx)
    list(GET runtime_dlls 2 winpthread)
    orvik_debian_copyright_of(${libstdcxx} gcc_copyright)
    orvik_debian_copyright_of(${winpthread} mingw_copyright)
    set(licences
        Qt.txt /usr/share/doc/libqt6core6/copyright
        Qt-translations.txt /usr/share/doc/qt6-translations-l10n/copyright
        LGPL-3.txt /usr/share/common-licenses/LGPL-3
        GPL-3.txt /usr/share/common-licenses/GPL-3
        libtiff.txt /usr/share/doc/libtiff6/copyright
        libsquish.txt /usr/share/doc/libsquish0/copyright
        GCC-runtime.txt ${gcc_copyright}
        mingw-w64.txt ${mingw_copyright})
    while(licences)
        list(POP_FRONT licences name source)
        if(NOT EXISTS ${source})
            message(FATAL_ERROR "The licence text ${source} is missing: install the Debian "
                                "package it belongs to (scripts/setup.sh installs them)")
        endif()
        add_custom_command(
            OUTPUT ${text_dir}/licenses/${name}
            COMMAND ${CMAKE_COMMAND} -DORVIK_TEXT=copy -DORVIK_TEXT_INPUT=${source}
                    -DORVIK_TEXT_OUTPUT=${text_dir}/licenses/${name}
                    -P ${ORVIK_WINDOWS_PACKAGE_SCRIPT}
            DEPENDS ${source} ${ORVIK_WINDOWS_PACKAGE_SCRIPT}
            COMMENT "Writing the licence ${name} for Windows"
            VERBATIM)
        list(APPEND texts ${text_dir}/licenses/${name})
    endwhile()
    # Which library comes under which licence, and where its source is.
    set(ORVIK_QT_VERSION ${Qt6_VERSION})
    set(ORVIK_TIFF_VERSION ${TIFF_VERSION_STRING})
    set(ORVIK_GCC_VERSION ${CMAKE_CXX_COMPILER_VERSION})
    configure_file(${PROJECT_SOURCE_DIR}/packaging/licenses.txt.in
                   ${text_dir}/licenses/README.txt @ONLY NEWLINE_STYLE CRLF)
    list(APPEND texts ${text_dir}/licenses/README.txt)
    add_custom_target(orvik_windows_texts ALL DEPENDS ${texts})
    list(REMOVE_ITEM texts ${text_dir}/README.txt)
    install(FILES ${texts} DESTINATION licenses)
endfunction()
