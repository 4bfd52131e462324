# Install rules and the packages CPack builds from them.
#
# Components: `program` (the program and its manual page), `doc` (README,
# LICENSE and CHANGELOG as they are) and `debian` (the same documents as
# Debian policy wants them: a copyright file and compressed changelogs; only
# in the .deb). package_layout.cmake picks the components of each package.

set(CPACK_PACKAGE_NAME spinchart)
set(CPACK_PACKAGE_VENDOR "the spinchart authors")
set(CPACK_PACKAGE_CONTACT "the spinchart authors <spinchart@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "statistical analyses of roulette spins in a text console")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/package_layout.cmake)

if(WIN32)
  # The zip: the program, a README.txt and LICENSE.txt side by side, in
  # Windows line ends.
  configure_file(doc/README-windows.txt ${PROJECT_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(LICENSE ${PROJECT_BINARY_DIR}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS spinchart RUNTIME DESTINATION . COMPONENT program)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_BINARY_DIR}/LICENSE.txt
    DESTINATION . COMPONENT doc)
  set(CPACK_GENERATOR ZIP)
  include(CPack)
  return()
endif()

include(GNUInstallDirs)

# gzip -9n: the smallest file, without a name or time in it, so that every
# build gives the same bytes.
function(spinchart_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND gzip -9nc ${source} > ${output}
    DEPENDS ${source}
    VERBATIM)
endfunction()

# The manual page names the version it describes: the project's.
file(STRINGS doc/spinchart.1 MANUAL_TITLE REGEX "^\\.TH ")
if(NOT MANUAL_TITLE MATCHES "\"spinchart ${PROJECT_VERSION}\"")
  message(FATAL_ERROR "doc/spinchart.1 is not the manual of spinchart ${PROJECT_VERSION}: ${MANUAL_TITLE}")
endif()

set(PACKAGE_FILES ${PROJECT_BINARY_DIR}/package)
spinchart_gzip(${PROJECT_SOURCE_DIR}/doc/spinchart.1 ${PACKAGE_FILES}/spinchart.1.gz)
spinchart_gzip(${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PACKAGE_FILES}/changelog.gz)

# The Debian copyright file, machine-readable, with the licence's own text.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE LICENSE_TEXT)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" _ "${LICENSE_TEXT}")
set(COPYRIGHT_HOLDERS "${CMAKE_MATCH_1}")
string(REGEX REPLACE "^.*Copyright \\(c\\) [^\n]*\n+" "" LICENSE_BODY "${LICENSE_TEXT}")
string(STRIP "${LICENSE_BODY}" LICENSE_BODY)
string(REGEX REPLACE "\n\n" "\n.\n" LICENSE_BODY "${LICENSE_BODY}")
string(REGEX REPLACE "\n" "\n " LICENSE_BODY "${LICENSE_BODY}")
file(WRITE ${PACKAGE_FILES}/copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: spinchart\n"
  "\n"
  "Files: *\n"
  "Copyright: ${COPYRIGHT_HOLDERS}\n"
  "License: Expat\n"
  " ${LICENSE_BODY}\n")

# The Debian changelog: one entry for this package of the release, dated as
# CHANGELOG.md dates the release.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
file(READ ${PROJECT_SOURCE_DIR}/CHANGELOG.md CHANGELOG_TEXT)
if(NOT CHANGELOG_TEXT MATCHES "\n## ${PROJECT_VERSION} - ([0-9-]+)")
  message(FATAL_ERROR "CHANGELOG.md has no heading \"## ${PROJECT_VERSION} - <date>\"")
endif()
execute_process(COMMAND date -R -u -d "${CMAKE_MATCH_1} 12:00"
  OUTPUT_VARIABLE RELEASE_DATE OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
file(WRITE ${PACKAGE_FILES}/changelog.Debian
  "spinchart (${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}) unstable; urgency=medium\n"
  "\n"
  "  * Package of release ${PROJECT_VERSION}; its changes are in changelog.gz.\n"
  "\n"
  " -- ${CPACK_PACKAGE_CONTACT}  ${RELEASE_DATE}\n")
spinchart_gzip(${PACKAGE_FILES}/changelog.Debian ${PACKAGE_FILES}/changelog.Debian.gz)

add_custom_target(package_files ALL DEPENDS
  ${PACKAGE_FILES}/spinchart.1.gz ${PACKAGE_FILES}/changelog.gz
  ${PACKAGE_FILES}/changelog.Debian.gz)

install(TARGETS spinchart RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
install(FILES ${PACKAGE_FILES}/spinchart.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
  COMPONENT program)
install(FILES README.md LICENSE CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT doc)
install(FILES README.md ${PACKAGE_FILES}/copyright ${PACKAGE_FILES}/changelog.gz
  ${PACKAGE_FILES}/changelog.Debian.gz
  DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB TGZ)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION math)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGE_DESCRIPTION "spinchart analyses real roulette spins typed into a text file (one number per
line, newest first) or spins it draws itself, for the single-zero or the
double-zero wheel. It writes a main report, with a frequency and skip chart of
every number and the record of a betting system that plays all numbers except
those of the last five spins, and a skip file with every skip in ascending
order. It runs full-screen in an 80x25 terminal, driven by key presses and
typed answers; its files are code page 437 text with CR LF line ends.")

include(CPack)
