# What a user gets, as install rules (cmake --install) and the packages CPack
# makes of them: for Windows a zip holding one folder with both programs, the
# guide and the licence; for Linux a .deb of sorrel-cli with its manual pages
# and its Japanese catalogue.
set(CPACK_PACKAGE_NAME sorrel)
set(CPACK_PACKAGE_VENDOR "Sorrel developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "strong passwords derived from a pass phrase, a key file and a key password")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(SORREL_MAINTAINER "Sorrel developers <sorrel@example.org>" CACHE STRING "The .deb's maintainer")
set(dist ${CMAKE_BINARY_DIR}/dist-files)

if(WIN32)
  # The programs are in the folder's root: a user unpacks it and starts sorrel.exe.
  install(TARGETS sorrel sorrel-cli RUNTIME DESTINATION .)
  set(files ${dist}/LICENSE.txt)
  set(guide ${PROJECT_SOURCE_DIR}/docs/guide-ja.html)
  if(EXISTS ${guide})
    file(GLOB images ${PROJECT_SOURCE_DIR}/docs/*.png)
    add_custom_command(OUTPUT ${dist}/guide-ja.html
      COMMAND ${CMAKE_COMMAND} -DIN=${guide} -DOUT=${dist}/guide-ja.html -P ${PROJECT_SOURCE_DIR}/cmake/windows_text.cmake
      DEPENDS ${guide} ${images} ${PROJECT_SOURCE_DIR}/cmake/windows_text.cmake
      COMMENT "Guide with its images inlined")
    install(FILES ${dist}/guide-ja.html DESTINATION .)
    list(APPEND files ${dist}/guide-ja.html)
  else()
    install(CODE "message(FATAL_ERROR \"docs/guide-ja.html is missing: there is no guide to install\")")
  endif()
  add_custom_command(OUTPUT ${dist}/LICENSE.txt
    COMMAND ${CMAKE_COMMAND} -DIN=${PROJECT_SOURCE_DIR}/LICENSE -DOUT=${dist}/LICENSE.txt
            -P ${PROJECT_SOURCE_DIR}/cmake/windows_text.cmake
    DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/cmake/windows_text.cmake)
  install(FILES ${dist}/LICENSE.txt DESTINATION .)
  add_custom_target(sorrel_dist_files ALL DEPENDS ${files})

  set(CPACK_GENERATOR ZIP)
  # The folder inside the zip, and the zip's name; scripts/package.sh adds win32 or win64.
  set(CPACK_PACKAGE_FILE_NAME sorrel-${PROJECT_VERSION})
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
else()
  include(GNUInstallDirs)
  set(docdir ${CMAKE_INSTALL_DATADIR}/doc/sorrel-cli)
  install(TARGETS sorrel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  # Debian wants the manual page and the changelog compressed, reproducibly.
  configure_file(${PROJECT_SOURCE_DIR}/docs/sorrel-cli.1.in ${dist}/sorrel-cli.1 @ONLY)
  # The Japanese manual page: the English one's source translated by po4a
  # from po/man/ja.po (untranslated paragraphs would stay English: tests/po_check.sh
  # finds them), then configured the same way.
  set(man_ja ${PROJECT_SOURCE_DIR}/po/man/ja.po ${PROJECT_SOURCE_DIR}/po/man/ja.add)
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/docs/sorrel-cli.1.in ${man_ja})
  find_program(SORREL_PO4A_TRANSLATE po4a-translate REQUIRED)
  file(MAKE_DIRECTORY ${dist}/ja)
  execute_process(
    COMMAND ${SORREL_PO4A_TRANSLATE} --format man --master ${PROJECT_SOURCE_DIR}/docs/sorrel-cli.1.in
            --master-charset UTF-8 --po ${PROJECT_SOURCE_DIR}/po/man/ja.po --addendum ${PROJECT_SOURCE_DIR}/po/man/ja.add
            --localized ${dist}/ja/sorrel-cli.1.in --localized-charset UTF-8 --keep 0 --no-deprecation
    RESULT_VARIABLE translated OUTPUT_QUIET)
  if(NOT translated EQUAL 0)
    message(FATAL_ERROR "po4a-translate could not make the Japanese manual page from po/man/ja.po")
  endif()
  configure_file(${dist}/ja/sorrel-cli.1.in ${dist}/ja/sorrel-cli.1 @ONLY)
  file(CONFIGURE OUTPUT ${dist}/changelog CONTENT
"sorrel-cli (${PROJECT_VERSION}) unstable; urgency=medium

  * Release ${PROJECT_VERSION}.

 -- ${SORREL_MAINTAINER}  Wed, 09 Dec 2026 00:00:00 +0000
")
  foreach(name sorrel-cli.1 ja/sorrel-cli.1 changelog)
    add_custom_command(OUTPUT ${dist}/${name}.gz
      COMMAND gzip -9nfk ${dist}/${name}
      DEPENDS ${dist}/${name})
  endforeach()
  add_custom_target(sorrel_dist_files ALL DEPENDS ${dist}/sorrel-cli.1.gz ${dist}/ja/sorrel-cli.1.gz ${dist}/changelog.gz)
  install(FILES ${dist}/sorrel-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${dist}/ja/sorrel-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/ja/man1)
  install(FILES ${SORREL_CLI_MO} DESTINATION ${CMAKE_INSTALL_LOCALEDIR}/ja/LC_MESSAGES)
  install(FILES ${PROJECT_SOURCE_DIR}/cli/sorrel-cli.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
          RENAME sorrel-cli)

  # The licence in Debian's machine-readable copyright format.
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
  string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" _ "${licence}")
  set(holder "${CMAKE_MATCH_1}")
  string(REGEX REPLACE "^.*Copyright[^\n]*\n\n" "" terms "${licence}")
  string(REGEX REPLACE "\n+$" "" terms "${terms}")
  string(REGEX REPLACE "\n\n" "\n.\n" terms "${terms}")
  string(REGEX REPLACE "\n" "\n " terms "${terms}")
  file(CONFIGURE OUTPUT ${dist}/copyright CONTENT
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: sorrel

Files: *
Copyright: ${holder}
License: Expat
 ${terms}
")
  install(FILES ${dist}/copyright ${dist}/changelog.gz DESTINATION ${docdir})

  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_PACKAGE_NAME sorrel-cli)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SORREL_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  # Dependencies as dpkg-shlibdeps finds them in the program.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # generate --clip hands the password to one of these.
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wl-clipboard | xclip | xsel")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # CPack puts the summary above this as the synopsis.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "sorrel-cli turns a short pass phrase into a strong password: the same password
every time for the same inputs, with no password ever stored. It reads the key
files and settings of the Sorrel dialog program for Windows and prints exactly
the password that program shows, from a terminal or a script.")
endif()

include(CPack)
