# Installs Grabulo as a Linux desktop program and describes its Debian
# package (`cpack -G DEB` in the build folder makes grabulo_VERSION_ARCH.deb).
#   lib/grabulo/grabulo, help.htm   the program and its help page, which it
#                                   looks for beside the executable
#   lib/grabulo/grabulo-cli         the command-line program, beside it so
#                                   that both share the program's folder
#   bin/grabulo, bin/grabulo-cli    links to the two programs
#   share/applications, share/metainfo, share/icons/hicolor
#                                   desktop entry, AppStream data, icons
#   share/man/man1/grabulo.1.gz, grabulo-cli.1.gz
#                                   the manual pages
#   share/bash-completion/completions/grabulo-cli
#                                   grabulo-cli's bash completion
#   share/doc/grabulo               copyright and changelog
# The version is the project's VERSION; the AppStream release and the
# program's own ProgramVersion must agree with it (the packaging tests check).
include(GNUInstallDirs)

set(GRABULO_APP_ID org.example.grabulo)
set(GRABULO_SITE https://grabulo.example.org/)
# Not CMAKE_INSTALL_LIBDIR: a private folder of the program, the same on
# every architecture, which the manual page names.
set(GRABULO_PROGRAM_DIR lib/grabulo)
set(GRABULO_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/grabulo)

# The newest AppStream release gives the changelog its date.
file(READ ${PROJECT_SOURCE_DIR}/assets/${GRABULO_APP_ID}.metainfo.xml metainfo)
if(NOT metainfo MATCHES "<release version=\"([^\"]*)\" date=\"([0-9]+)-([0-9]+)-([0-9]+)\"")
  message(FATAL_ERROR "assets/${GRABULO_APP_ID}.metainfo.xml names no release with a date")
endif()
set(release_version ${CMAKE_MATCH_1})
set(release_date ${CMAKE_MATCH_2}-${CMAKE_MATCH_3}-${CMAKE_MATCH_4})
if(NOT release_version STREQUAL PROJECT_VERSION)
  message(WARNING "The newest release in the AppStream data is ${release_version}, the project is ${PROJECT_VERSION}")
endif()

set(GRABULO_MAINTAINER "Tarvove feke <grabulo@grabulo.example.org>"
    CACHE STRING "The Debian package's maintainer, as Name <address>")

# Generated files: the gzipped manual pages and changelog (gzip -n keeps the
# package the same from build to build).
set(pkg_dir ${CMAKE_BINARY_DIR}/packaging)
execute_process(COMMAND date -u -R -d "${release_date} 12:00:00"
                OUTPUT_VARIABLE changelog_stamp OUTPUT_STRIP_TRAILING_WHITESPACE)
file(WRITE ${pkg_dir}/changelog
     "grabulo (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
     "  * Release ${PROJECT_VERSION}.\n\n"
     " -- ${GRABULO_MAINTAINER}  ${changelog_stamp}\n")
find_program(GZIP_PROGRAM gzip REQUIRED)
add_custom_command(OUTPUT ${pkg_dir}/grabulo.1.gz ${pkg_dir}/grabulo-cli.1.gz ${pkg_dir}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/assets/grabulo.1
          ${PROJECT_SOURCE_DIR}/assets/grabulo-cli.1 ${pkg_dir}
  COMMAND ${GZIP_PROGRAM} -9nkf ${pkg_dir}/grabulo.1 ${pkg_dir}/grabulo-cli.1 ${pkg_dir}/changelog
  DEPENDS ${PROJECT_SOURCE_DIR}/assets/grabulo.1 ${PROJECT_SOURCE_DIR}/assets/grabulo-cli.1
          ${pkg_dir}/changelog
  COMMENT "Compressing the manual pages and the changelog" VERBATIM)
add_custom_target(grabulo_packaging_files ALL
  DEPENDS ${pkg_dir}/grabulo.1.gz ${pkg_dir}/grabulo-cli.1.gz ${pkg_dir}/changelog.gz)

install(TARGETS grabulo grabulo-cli RUNTIME DESTINATION ${GRABULO_PROGRAM_DIR})
install(FILES assets/help.htm DESTINATION ${GRABULO_PROGRAM_DIR})
foreach(program grabulo grabulo-cli)
  install(CODE "file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    file(CREATE_LINK ../${GRABULO_PROGRAM_DIR}/${program}
         \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\" SYMBOLIC)")
endforeach()
install(FILES assets/${GRABULO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES assets/${GRABULO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY assets/icons/hicolor DESTINATION ${CMAKE_INSTALL_DATADIR}/icons
        FILES_MATCHING PATTERN "*.png" PATTERN "*.svg")
install(FILES ${pkg_dir}/grabulo.1.gz ${pkg_dir}/grabulo-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES assets/grabulo-cli.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME grabulo-cli)
install(FILES assets/copyright ${pkg_dir}/changelog.gz DESTINATION ${GRABULO_DOC_DIR})

# The Debian package.
set(CPACK_PACKAGE_NAME grabulo)
set(CPACK_PACKAGE_VENDOR "Tarvove feke")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "download the pictures a web page links to")
set(CPACK_PACKAGE_HOMEPAGE_URL ${GRABULO_SITE})
set(CPACK_PACKAGE_CONTACT ${GRABULO_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${GRABULO_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "ca-certificates, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The long description, below the summary in the control file.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Grabulo downloads the pictures (and, by choice, other media files) that a
web page links to or embeds: type the address of a page, load it, pick the
links found and save them into a folder. It handles http and https pages,
several files at the same time, pages behind a password and proxies.
.
The command grabulo-cli downloads from the terminal, scripts and cron,
without a window: page addresses and options in, the files saved, a log
and an exit status that tells how the run went. The window's unattended
command line (grabulo PAGE FOLDER start exit) works as before.")
include(CPack)
