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

set(PACKAGE_FILES ${PROJECT_BINARY_DIR}/package)

# Installs `source` compressed as `name`. gzip -9n: the smallest file, without a
# name or time in it, so that every build gives the same bytes. Compressed when
# installed: a build that installs nothing runs no gzip.
function(spinchart_install_gzip source name destination component)
  set(output ${PACKAGE_FILES}/${name})
  install(CODE "execute_process(COMMAND gzip -9nc \"${source}\" OUTPUT_FILE \"${output}\"
                  COMMAND_ERROR_IS_FATAL ANY)"
    COMPONENT ${component} ${ARGN})
  install(FILES ${output} DESTINATION ${destination} COMPONENT ${component} ${ARGN})
endfunction()

# A day "YYYY-MM-DD" at noon UTC as a Debian changelog dates it
# ("Wed, 09 Dec 2026 12:00:00 +0000"), worked out here: date commands differ
# from system to system.
function(spinchart_changelog_date day out)
  string(REGEX MATCH "^([0-9][0-9][0-9][0-9])-0?([0-9]+)-(0?([0-9]+))$" _ "${day}")
  set(year ${CMAKE_MATCH_1})
  set(month ${CMAKE_MATCH_2})
  set(padded_day ${CMAKE_MATCH_3})
  set(day_of_month ${CMAKE_MATCH_4})
  # Sakamoto's rule for the day of the week, 0 for Sunday.
  set(month_offsets 0 3 2 5 0 3 5 1 4 6 2 4)
  math(EXPR month_index "${month} - 1")
  list(GET month_offsets ${month_index} offset)
  set(y ${year})
  if(month LESS 3)
    math(EXPR y "${year} - 1")
  endif()
  math(EXPR weekday "(${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 + ${offset} + ${day_of_month}) % 7")
  set(weekdays Sun Mon Tue Wed Thu Fri Sat)
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(GET weekdays ${weekday} weekday_name)
  list(GET months ${month_index} month_name)
  set(${out} "${weekday_name}, ${padded_day} ${month_name} ${year} 12:00:00 +0000" PARENT_SCOPE)
endfunction()

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
# CHANGELOG.md dates the release (make check-packages checks that it does).
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
file(READ ${PROJECT_SOURCE_DIR}/CHANGELOG.md CHANGELOG_TEXT)
if(CHANGELOG_TEXT MATCHES "\n## ${PROJECT_VERSION} - ([0-9-]+)")
  set(RELEASE_DAY ${CMAKE_MATCH_1})
else()
  string(TIMESTAMP RELEASE_DAY "%Y-%m-%d" UTC)
endif()
spinchart_changelog_date(${RELEASE_DAY} RELEASE_DATE)
file(WRITE ${PACKAGE_FILES}/changelog.Debian
  "spinchart (${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}) unstable; urgency=medium\n"
  "\n"
  "  * Package of release ${PROJECT_VERSION}; its changes are in changelog.gz.\n"
  "\n"
  " -- ${CPACK_PACKAGE_CONTACT}  ${RELEASE_DATE}\n")

install(TARGETS spinchart RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT program)
spinchart_install_gzip(${PROJECT_SOURCE_DIR}/doc/spinchart.1 spinchart.1.gz
  ${CMAKE_INSTALL_MANDIR}/man1 program)
install(FILES README.md LICENSE CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT doc)
install(FILES README.md ${PACKAGE_FILES}/copyright
  DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)
spinchart_install_gzip(${PROJECT_SOURCE_DIR}/CHANGELOG.md changelog.gz
  ${CMAKE_INSTALL_DOCDIR} debian EXCLUDE_FROM_ALL)
spinchart_install_gzip(${PACKAGE_FILES}/changelog.Debian changelog.Debian.gz
  ${CMAKE_INSTALL_DOCDIR} debian EXCLUDE_FROM_ALL)

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
