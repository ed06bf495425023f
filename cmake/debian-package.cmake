# The Debian package: `cpack -G DEB` in a Linux build (scripts/build-deb.sh) packs what the install
# rules put under /usr into orvik_<version>_<architecture>.deb, beside the Debian changelog and
# copyright file in /usr/share/doc/orvik, which only the package installs (the install component
# "debian"). Its dependencies are what dpkg-shlibdeps finds the programs linked against, and what
# they load at run time, which it cannot see. Included by the top-level CMakeLists.txt last, for
# every build but the Windows one.

set(ORVIK_DEBIAN_MAINTAINER "ORVIK developers <maintainers@users.noreply.c-seed-45f26a5b.example>"
    CACHE STRING "The maintainer of the Debian package, as \"name <address>\"")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# orvik_<version>_<architecture>.deb, the architecture as dpkg names it.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${ORVIK_DEBIAN_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "converter of FS9 aerial scenery tiles into sources for the FSX resampler")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"ORVIK (Kelvaro) turns aerial-image scenery made for Flight Simulator 2004,
folders of FS9 tile bitmaps (256x256 DXT1, DXT3 or DXT5 images inside a BMP),
into source material for the Flight Simulator X resampler: GeoTIFF pictures of
the destination tiles at full resolution, and one .inf control file for each.

The package holds the window program orvik, the command-line converter
orvik-convert, orvik-preview, which draws the map of a tile set as a PNG
picture, and orvik-make-sample, which writes a small sample tile set. They
speak English and Russian.")

set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time: the window's platform plug-in, and Qt's own catalogues, which the programs
# look for in Qt's translations folder (app/translators.cpp) and which the package therefore does
# not copy (translations/CMakeLists.txt). No image-format plug-in: pictures are written through
# libtiff and the preview's PNG by Qt Gui's built-in handler.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")

set(CPACK_STRIP_FILES ON)
# Folders as Debian wants them whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Everything the install rules put in (the default component) but the copies of Qt's catalogues,
# and the Debian files.
set(CPACK_INSTALL_CMAKE_PROJECTS
    ${PROJECT_BINARY_DIR} ${PROJECT_NAME} Unspecified /
    ${PROJECT_BINARY_DIR} ${PROJECT_NAME} debian /)

# The changelog of a package without a Debian revision, dated by SOURCE_DATE_EPOCH where that is
# set (scripts/build-deb.sh sets the last commit's time) so that the package is the same at every
# build.
set(ORVIK_DEBIAN_VERSION ${CPACK_PACKAGE_VERSION})
string(TIMESTAMP ORVIK_DEBIAN_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(debian_dir ${PROJECT_BINARY_DIR}/debian)
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${debian_dir}/changelog @ONLY)
orvik_add_gzip_target(orvik_debian_changelog ${debian_dir}/changelog)
install(FILES ${debian_dir}/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_PACKAGE_NAME}
        COMPONENT debian EXCLUDE_FROM_ALL)

# The stripped programs also lose the compiler's notes, as in every Debian package.
set(programs_dir "\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${ORVIK_INSTALL_PROGRAM_DIR}")
install(CODE "
    foreach(program orvik orvik-convert orvik-preview orvik-make-sample)
        execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                                \"${programs_dir}/\${program}\" RESULT_VARIABLE status)
        if(NOT status EQUAL 0)
            message(FATAL_ERROR \"Could not strip \${program}\")
        endif()
    endforeach()" COMPONENT debian EXCLUDE_FROM_ALL)

include(CPack)
