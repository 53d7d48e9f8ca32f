# Installation and the Debian package.
#
# The notifier starts the client from its own folder, so the two programs always sit side
# by side: on Linux in a private program folder (${CMAKE_INSTALL_LIBDIR}/pelorin by
# default), with commands on the PATH that are symbolic links into it. A link does not move
# the notifier's folder: Qt reads the program's own path from /proc/self/exe, which names
# the real file, so the notifier still finds the client next to it.

include(GNUInstallDirs)

if(NOT UNIX OR APPLE)
    # Elsewhere the two programs simply share the program folder.
    install(TARGETS Pelorin PelorinNews RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    return()
endif()

set(PELORIN_INSTALL_PROGRAMDIR "${CMAKE_INSTALL_LIBDIR}/pelorin"
    CACHE STRING "Folder (under the prefix, or absolute) that holds Pelorin and PelorinNews side by side")
set(PELORIN_CLIENT_COMMAND pelorin)
set(PELORIN_NEWS_COMMAND pelorin-news)

install(TARGETS Pelorin PelorinNews RUNTIME DESTINATION ${PELORIN_INSTALL_PROGRAMDIR})
# They link only the system's libraries: no search path of their own once installed.
set_target_properties(Pelorin PelorinNews PROPERTIES INSTALL_RPATH "")

# The commands. Relative links keep working wherever the prefix is put (staging folder,
# package, --prefix at install time).
function(pelorin_command_link command program)
    set(target ${PELORIN_INSTALL_PROGRAMDIR}/${program})
    if(IS_ABSOLUTE ${target} OR IS_ABSOLUTE ${CMAKE_INSTALL_BINDIR})
        if(NOT IS_ABSOLUTE ${target})
            set(target ${CMAKE_INSTALL_PREFIX}/${target})
        endif()
    else()
        file(RELATIVE_PATH target /${CMAKE_INSTALL_BINDIR} /${target})
    endif()
    set(link ${CMAKE_CURRENT_BINARY_DIR}/commands/${command})
    file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/commands)
    file(CREATE_LINK ${target} ${link} SYMBOLIC)
    # A link is installed as a link.
    install(FILES ${link} DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()
pelorin_command_link(${PELORIN_CLIENT_COMMAND} Pelorin)
pelorin_command_link(${PELORIN_NEWS_COMMAND} PelorinNews)

# Menu entries and the icon.
add_subdirectory(packaging)

# The Debian package: `cpack -G DEB` in the build folder (scripts/package does it all).
set(PELORIN_PACKAGE_MAINTAINER "Pelorin Developers <packages@pelorin.example>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelorin)
set(CPACK_PACKAGE_VENDOR "Pelorin Developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${PELORIN_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "FalvanePelorin Quenvel Kit: client and news notifier of a horse-racing service")
# The summary above becomes the first line, this the long description.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "FalvanePelorin クエンベルキット: 競馬情報サービスの会員向けクライアントと、
データ更新をお知らせする通知プログラムです。

Pelorin, the client, shows the service's pages in an embedded web browser,
logs the member in and shows ID and points. PelorinNews sits in the
notification area, watches the service's update log and announces a new
update in a small alert whose link starts the client.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# dpkg-shlibdeps finds the libraries the programs link, and with them what those need at
# run time: the web engine's helper process (libqt6webenginecore6-bin, named by the
# library's symbols file) and the SVG icon engine and image plugin (libqt6svg6, with the
# SVG library the client links). Invisible to it: a font that holds the Japanese text
# every window shows.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk")

include(CPack)
