# `make package`: the Debian package quillmora_<version>_<arch>.deb, built by CPack from the
# install rules. Dependencies on shared libraries come from dpkg-shlibdeps.
include(GNUInstallDirs)
set(QM_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/quillmora)
set(CPACK_PACKAGE_CONTACT "Quillmora developers <quillmora@example.org>"
    CACHE STRING "Maintainer of the Debian package")

# The Debian changelog of a native package, compressed without a timestamp.
execute_process(COMMAND date -u -R -d "${QM_RELEASE_DATE} 12:00 UTC"
                OUTPUT_VARIABLE QM_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog
               @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.gz
    COMMAND gzip -9nkf ${PROJECT_BINARY_DIR}/debian/changelog
    DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog VERBATIM)
add_custom_target(qm_debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.gz)
install(FILES ${PROJECT_BINARY_DIR}/debian/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${QM_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "fractal image generator")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quillmora renders, zooms and colours fractal pictures: twenty-two iteration
formulas, colour formulas in a small expression language, gradients, plasma
clouds and image filters, in document windows (quillmora) or from the command
line (quillmora-cli), which also renders posters in bands and zoom animations.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # quillmora_<version>_<dpkg --print-architecture>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its window-system plugins at run time; no library links them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
