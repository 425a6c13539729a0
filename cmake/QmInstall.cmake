# Install rules: the program, the command-line tool, the help pages and the desktop integration
# (application entry, icon and the .qmp parameter-file type).
include(GNUInstallDirs)

if(TARGET quillmora)
    install(TARGETS quillmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET quillmora-cli)
    install(TARGETS quillmora-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The program looks for its help in <prefix>/share/quillmora/help (beside ../share of its binary).
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/help/
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/quillmora/help
        FILES_MATCHING PATTERN "*.html" PATTERN "*.css" PATTERN "*.png" PATTERN "*.svg")

install(FILES ${PROJECT_SOURCE_DIR}/packaging/quillmora.desktop
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quillmora-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/mime/packages RENAME quillmora.xml)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quillmora.svg
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/quillmora-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions RENAME quillmora-cli)
if(TARGET quillmora)
    # The PNGs rendered from the SVG at build time (cmake/QmIcon.cmake).
    install(DIRECTORY ${QM_ICON_DIR}/ DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor)
endif()
# AppStream metainfo for software centres, with the project version; named after its id.
set(QM_APPSTREAM_ID org.quillmora.Quillmora)
configure_file(${PROJECT_SOURCE_DIR}/packaging/quillmora.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/${QM_APPSTREAM_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${QM_APPSTREAM_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
