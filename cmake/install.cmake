# Installing Brelvano like any Linux program, and the Debian package made from the same rules:
#   cmake --install build --prefix /usr/local
#   cmake --build build --target package     (build/brelvano_<version>-1_<arch>.deb)
# The programs themselves are installed next to their targets (install(TARGETS ...)). They read no
# data files at run time (the sort order key table is compiled into the engine), so they work from
# any prefix. The files below live in packaging/.
include(GNUInstallDirs)

set(BRELVANO_PACKAGE_MAINTAINER "Brelvano maintainers <maintainers@brelvano.example>"
    CACHE STRING "The package's Maintainer line: Name <address>")

set(_packaging ${CMAKE_SOURCE_DIR}/packaging)
set(_staged ${CMAKE_BINARY_DIR}/packaging)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Texts that carry the version are filled in here, then compressed as Debian wants them:
# gzip -9n (no file name, no time stamp), so that two builds make the same files.
set(_compressed)
foreach(_text man/brelvano.1 man/brelvano-import.1 man/brelvano-db.1 changelog.Debian)
    configure_file(${_packaging}/${_text} ${_staged}/${_text} @ONLY)
    add_custom_command(
        OUTPUT ${_staged}/${_text}.gz
        COMMAND gzip -9nkf ${_staged}/${_text}
        DEPENDS ${_staged}/${_text}
        VERBATIM)
    list(APPEND _compressed ${_staged}/${_text}.gz)
endforeach()
add_custom_target(brelvano_compressed_texts ALL DEPENDS ${_compressed})
# The menu entry and the metainfo are named after the application's id.
set(_id org.brelvano.brelvano)
configure_file(${_packaging}/${_id}.metainfo.xml ${_staged}/${_id}.metainfo.xml @ONLY)

install(FILES ${_staged}/man/brelvano.1.gz ${_staged}/man/brelvano-import.1.gz
              ${_staged}/man/brelvano-db.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${_packaging}/${_id}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_staged}/${_id}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_packaging}/icons/brelvano.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(_size 16 22 24 32 48 64 128 256)
    install(FILES ${_packaging}/icons/${_size}/brelvano.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps)
endforeach()
# Debian's place, whatever the project is called in CMake.
install(FILES ${_packaging}/copyright ${_staged}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/brelvano)

# Debian's hardening: the installed programs resolve their symbols at start-up, so that the
# tables of addresses can be made read-only.
foreach(_program brelvano brelvano-import brelvano-db)
    if(TARGET ${_program})
        target_link_options(${_program} PRIVATE LINKER:-z,relro,-z,now)
    endif()
endforeach()

# The Debian package: cpack (or the "package" target) in the build folder.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brelvano)
set(CPACK_PACKAGE_VENDOR Brelvano)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "load municipal tax rolls into Access databases")
# The long description as Debian shows it: lines of at most 80 columns.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Brelvano empties the tables Testate and DettaglioVoci of an office's Access"
    "database (.mdb, Jet 4) and refills them from a tax roll's two semicolon-"
    "separated text exports, keeping everything else the database holds. It reads"
    "and writes the file with its own engine: no Access and no Windows needed."
    ""
    "This package holds the window (brelvano, in the desktop's Office menu), the"
    "headless import for scheduled jobs (brelvano-import) and the database"
    "inspector (brelvano-db).")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${BRELVANO_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # brelvano_<version>-1_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # the dependencies are read from the binaries
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)

# Builds the package into a temporary folder and checks what an installation would get.
add_test(NAME package COMMAND bash ${_packaging}/check_package.sh ${CMAKE_BINARY_DIR}
                                 ${PROJECT_VERSION})
set_tests_properties(package PROPERTIES LABELS system SKIP_RETURN_CODE 77 RUN_SERIAL TRUE
                                        TIMEOUT 900)
