# Manual pages quillmora(1) and quillmora-cli(1), written at build time from the programs' own
# help text (packaging/make-manpage.sh) and compressed the way Debian installs them.
include(GNUInstallDirs)
if(QM_SANITIZE OR QM_BUILD_FUZZ)
    return() # instrumented builds are for testing, not for installing
endif()
set(QM_MAN_DIR ${PROJECT_BINARY_DIR}/man)

function(qm_man_page target summary)
    set(page ${QM_MAN_DIR}/${target}.1)
    add_custom_command(OUTPUT ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${QM_MAN_DIR}
        COMMAND bash ${PROJECT_SOURCE_DIR}/packaging/make-manpage.sh $<TARGET_FILE:${target}>
                "${summary}" ${page}
        COMMAND gzip -9nf ${page}
        DEPENDS ${target} ${PROJECT_SOURCE_DIR}/packaging/make-manpage.sh
        COMMENT "Writing the manual page ${target}(1)" VERBATIM)
    add_custom_target(${target}_man ALL DEPENDS ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

if(TARGET quillmora)
    qm_man_page(quillmora "fractal image generator")
endif()
if(TARGET quillmora-cli)
    qm_man_page(quillmora-cli "render and convert fractal pictures from the command line")
endif()
