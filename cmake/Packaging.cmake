# Install rules and the Debian package.
#
#   cmake --install build/default --prefix /usr/local      # lay the program out by hand
#   (cd build/default && cpack -G DEB)                      # build lumora_<version>_<arch>.deb
#
# Layout under the prefix (see docs/architecture.md, "Installing"):
#   lib/lumora/                   the app folder: the program file next to its data tree
#   bin/lumora                    a wrapper that gives each user a writable app folder of their
#                                 own and starts the program from there
#   share/applications/lumora.desktop, share/icons/hicolor/<size>/apps/lumora.png
if(NOT TARGET lumora)
  return()  # no desktop program in this build (the asan preset)
endif()

set(LUMORA_INSTALL_APPDIR "lib/lumora" CACHE STRING
    "Where the app folder goes, relative to the install prefix")
set(LUMORA_PACKAGE_MAINTAINER "Lumora developers <packages@lumora.invalid>" CACHE STRING
    "Maintainer field of the Debian package")

set(src ${PROJECT_SOURCE_DIR})

# The app folder comes from the sources, not from build/<preset>/app: the Config.ini there
# belongs to whoever ran the build and may hold their settings.
install(TARGETS lumora RUNTIME DESTINATION ${LUMORA_INSTALL_APPDIR})
# The updater beside the program (the client starts <app>/Update), and the marker that tells it
# this copy belongs to the package manager: it then changes nothing and says so. The wrapper
# links both into each user's app folder like the data.
if(TARGET lumora_update)
  install(TARGETS lumora_update RUNTIME DESTINATION ${LUMORA_INSTALL_APPDIR})
endif()
file(WRITE ${CMAKE_BINARY_DIR}/packaging/package-installed
     "Installed by the system's package manager: update through it, not with Update.\n")
install(FILES ${CMAKE_BINARY_DIR}/packaging/package-installed
        DESTINATION ${LUMORA_INSTALL_APPDIR})
install(FILES ${src}/data/Config.ini DESTINATION ${LUMORA_INSTALL_APPDIR})
install(DIRECTORY ${src}/data/Skins ${src}/data/Language ${src}/data/Html ${src}/data/Icon
        DESTINATION ${LUMORA_INSTALL_APPDIR}
        PATTERN ".keep" EXCLUDE)

# The wrapper finds a relative app folder from its own place, so the tree can move whole.
if(IS_ABSOLUTE ${LUMORA_INSTALL_APPDIR})
  set(LUMORA_WRAPPER_APPDIR ${LUMORA_INSTALL_APPDIR})
else()
  file(RELATIVE_PATH LUMORA_WRAPPER_APPDIR /prefix/bin /prefix/${LUMORA_INSTALL_APPDIR})
endif()
configure_file(${src}/packaging/lumora.sh.in ${CMAKE_BINARY_DIR}/packaging/lumora @ONLY)
install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/lumora DESTINATION bin)

install(FILES ${src}/packaging/lumora.desktop DESTINATION share/applications)

# What a distribution asks of a package: the copyright, the change log and the manual page
# (both compressed as Debian's checks expect), and the AppStream description that software
# centres list programs by.
set(pkg ${CMAKE_BINARY_DIR}/packaging)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${src}/packaging/changelog ${src}/packaging/lumora.1
             ${src}/packaging/lumora.metainfo.xml.in)
file(STRINGS ${src}/packaging/changelog changelog_lines)
set(LUMORA_METAINFO_RELEASES "")
set(release_version "")
foreach(line IN LISTS changelog_lines)
  if(line MATCHES "^lumora \\(([^)]+)\\)")
    set(release_version ${CMAKE_MATCH_1})
    if(NOT changelog_version)
      set(changelog_version ${release_version})
    endif()
  elseif(line MATCHES "^ -- .*>  (.+)$" AND release_version)
    execute_process(COMMAND date -u -d "${CMAKE_MATCH_1}" +%F OUTPUT_VARIABLE release_date
                    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    string(APPEND LUMORA_METAINFO_RELEASES
           "    <release version=\"${release_version}\" date=\"${release_date}\"/>\n")
    set(release_version "")
  endif()
endforeach()
string(STRIP "${LUMORA_METAINFO_RELEASES}" LUMORA_METAINFO_RELEASES)
set(LUMORA_METAINFO_RELEASES "    ${LUMORA_METAINFO_RELEASES}")
# The package's version is the project's; a release without its entry would ship a change
# log and a software-centre description that end one release early.
if(NOT changelog_version STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "packaging/changelog starts at ${changelog_version}, the project is "
                      "${PROJECT_VERSION}: add the release's entry at its top")
endif()
configure_file(${src}/packaging/lumora.metainfo.xml.in
               ${pkg}/invalid.lumora.lumora.metainfo.xml @ONLY)
configure_file(${src}/packaging/lumora.1 ${pkg}/lumora.1 @ONLY)
file(MAKE_DIRECTORY ${pkg}/doc)
# -n: no name or time stamp inside, so the same sources give the same package.
foreach(pair IN ITEMS "${src}/packaging/changelog|${pkg}/doc/changelog.gz"
                      "${pkg}/lumora.1|${pkg}/lumora.1.gz")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  execute_process(COMMAND gzip -9nc ${from} OUTPUT_FILE ${to} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
install(FILES ${src}/packaging/copyright ${pkg}/doc/changelog.gz DESTINATION share/doc/lumora)
install(FILES ${pkg}/lumora.1.gz DESTINATION share/man/man1)
install(FILES ${pkg}/invalid.lumora.lumora.metainfo.xml DESTINATION share/metainfo)
foreach(size IN ITEMS 16 24 32 48 64 128 256)
  install(FILES ${src}/packaging/icons/${size}/lumora.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()

# --- The Debian package --------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumora)
set(CPACK_PACKAGE_VENDOR "Lumora")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${LUMORA_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client for the Lumora video and application portal")
set(CPACK_PACKAGE_DESCRIPTION
    "Skinned windows around the portal's pages (home, video player, live TV,\napplication centre), a notification-area icon and settings in three\ninterface languages.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # lumora_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_STRIP_FILES ON)  # the build carries debug info; the package does not
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries the programs link come from dpkg-shlibdeps, run on the distribution the package is
# built on, so each release's package names its own (libssl3 or libssl3t64, libcurl4 or
# libcurl4t64). The rest is what the program needs at run time without linking it: the
# browser engine's helper process, Chinese glyphs and the URL opener it starts
# (/usr/bin/xdg-open). The wrapper's tools (flock, cmp) are essential.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6webenginecore6-bin, qt6-wayland, fonts-noto-cjk, xdg-utils")
# Native Wayland sessions; without it Qt runs through XWayland.
# Menus and icon caches are refreshed by the triggers of desktop-file-utils and
# hicolor-icon-theme; the package needs no maintainer scripts.

set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build/" "/build-[^/]*/")

include(CPack)
