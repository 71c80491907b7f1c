# Where `cmake --install` puts the program, and the Debian package that CPack makes of it.
include(GNUInstallDirs)

install(TARGETS tandrel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES res/desktop/tandrel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_BINARY_DIR}/res/tandrel.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size ${TANDREL_ICON_SIZES})
    install(FILES res/icons/tandrel-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME tandrel.png)
endforeach()
install(FILES res/icons/tandrel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# Made from the flag table at build time (app/cli/CMakeLists.txt): the manual page, compressed
# as Debian requires, the bash completion where bash-completion loads it on demand, and the
# command line's message catalogues.
install(FILES ${PROJECT_BINARY_DIR}/tandrel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_BINARY_DIR}/completion/tandrel
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
foreach(language ${TANDREL_LANGUAGES})
    install(FILES ${PROJECT_BINARY_DIR}/share/locale/${language}/LC_MESSAGES/tandrel.mo
            DESTINATION ${CMAKE_INSTALL_LOCALEDIR}/${language}/LC_MESSAGES)
endforeach()
# The main window links to these two files; it finds them beside the program, in
# ../${TANDREL_DOC_FOLDER}, so the folder is named after the program, not after the CMake project.
install(FILES README.md LICENSE DESTINATION ${TANDREL_DOC_FOLDER})
# The copyright and licence in the machine-readable form Debian's tools read, and the
# changelog that every Debian package carries, compressed as Debian requires (gzip -9n).
configure_file(res/package/changelog.in changelog @ONLY)
add_custom_command(OUTPUT changelog.gz
    COMMAND gzip -9nc changelog > changelog.gz
    DEPENDS ${PROJECT_BINARY_DIR}/changelog)
add_custom_target(tandrel_changelog ALL DEPENDS changelog.gz)
install(FILES res/package/copyright ${PROJECT_BINARY_DIR}/changelog.gz
        DESTINATION ${TANDREL_DOC_FOLDER})
install(FILES res/package/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME tandrel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tandrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remove repeated and empty lines from text files")
set(CPACK_PACKAGE_DESCRIPTION
    "Tandrel (タンドレル) loads a text file in code page 932, UTF-8 or UTF-16LE,
removes every line that repeats an earlier one and every empty line, keeping the
first occurrence of each line in its order, and saves the result in the chosen
encoding.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# The package has no person or company behind it to name, and no address to write to; Debian
# requires an address, so it names one under .invalid, a domain that by RFC 2606 never exists,
# and tells lintian so (res/package/lintian-overrides).
set(CPACK_PACKAGE_CONTACT "Tandrel project <nobody@invalid>")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps. Qt's platform plugins (X11 among them) are only
# recommended by libqt6gui6, but no window opens without one; the dialog's layout is measured
# in the IPA Gothic font; Qt's own texts are shown in Japanese from qt6-translations-l10n.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-ipafont-gothic, qt6-translations-l10n")
include(CPack)
