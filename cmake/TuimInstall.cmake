# Installation, the CMake package (find_package(Tuim) -> Tuim::nfe and the layer targets),
# tuim.pc for pkg-config, man pages made from --help, and the .deb through CPack.
include(CMakePackageConfigHelpers)

set(TUIM_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Tuim)
set(TUIM_DATADIR_REL ${CMAKE_INSTALL_DATADIR}/tuim)

# Every library of the layers, and one target that brings them all.
set(_exportadas)
foreach(layer ${TUIM_LAYERS} appcore)
  if(TARGET tuim_${layer})
    set_target_properties(tuim_${layer} PROPERTIES EXPORT_NAME ${layer})
    list(APPEND _exportadas tuim_${layer})
  endif()
endforeach()
add_library(tuim_nfe INTERFACE)
target_link_libraries(tuim_nfe INTERFACE ${_exportadas})
set_target_properties(tuim_nfe PROPERTIES EXPORT_NAME nfe)
add_library(Tuim::nfe ALIAS tuim_nfe)

install(TARGETS ${_exportadas} tuim_nfe EXPORT TuimTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tuim)
foreach(layer ${TUIM_LAYERS} app)
  if(EXISTS ${CMAKE_SOURCE_DIR}/${layer})
    install(DIRECTORY ${CMAKE_SOURCE_DIR}/${layer}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tuim/${layer}
            FILES_MATCHING PATTERN "*.h" PATTERN "MainFrm.h" EXCLUDE PATTERN "SelecaoCertificado.h" EXCLUDE)
  endif()
endforeach()
install(EXPORT TuimTargets NAMESPACE Tuim:: DESTINATION ${TUIM_CMAKEDIR})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/TuimConfig.cmake.in
                              ${CMAKE_BINARY_DIR}/TuimConfig.cmake
                              INSTALL_DESTINATION ${TUIM_CMAKEDIR}
                              PATH_VARS TUIM_DATADIR_REL)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/TuimConfigVersion.cmake COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_BINARY_DIR}/TuimConfig.cmake ${CMAKE_BINARY_DIR}/TuimConfigVersion.cmake
        DESTINATION ${TUIM_CMAKEDIR})

# pkg-config: static libraries, so their dependencies are public.
set(_pc_libs "")
foreach(layer report mail integrator services component transport security xml fiscal)
  if(TARGET tuim_${layer})
    string(APPEND _pc_libs " -ltuim_${layer}")
  endif()
endforeach()
file(RELATIVE_PATH _pc_up /r/${CMAKE_INSTALL_LIBDIR}/pkgconfig /r)
configure_file(${CMAKE_SOURCE_DIR}/cmake/tuim.pc.in ${CMAKE_BINARY_DIR}/tuim.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/tuim.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# Data: the official schema packages, as published, and the service catalogue.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/schemas/ DESTINATION ${TUIM_DATADIR_REL}/schemas)
install(FILES ${CMAKE_SOURCE_DIR}/component/TuimNFeServicos.ini DESTINATION ${TUIM_DATADIR_REL})

# Programs, their man pages and the workbench's desktop entry.
install(TARGETS tuim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
find_program(TUIM_HELP2MAN help2man)
set(_manpages)
macro(tuim_manpage alvo nome resumo)
  if(TUIM_HELP2MAN AND TARGET ${alvo})
    add_custom_command(
      OUTPUT ${CMAKE_BINARY_DIR}/man/${nome}.1
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
              ${TUIM_HELP2MAN} --no-info --no-discard-stderr --locale=C.UTF-8 --section 1 --name ${resumo}
              --version-string ${PROJECT_VERSION} --output ${CMAKE_BINARY_DIR}/man/${nome}.1 $<TARGET_FILE:${alvo}>
      DEPENDS ${alvo}
      COMMENT "Man page of ${nome}"
      VERBATIM)
    list(APPEND _manpages ${CMAKE_BINARY_DIR}/man/${nome}.1)
    install(FILES ${CMAKE_BINARY_DIR}/man/${nome}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endmacro()
tuim_manpage(tuim tuim "chaves de acesso e documentos da NF-e e da NFC-e")
if(TARGET tuim-workbench)
  install(TARGETS tuim-workbench RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/app/tuim-workbench.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  tuim_manpage(tuim-workbench tuim-workbench "manipulador de chaves de acesso da NF-e e da NFC-e")
endif()
if(TARGET tuim-sefaz-sim)
  install(TARGETS tuim-sefaz-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  tuim_manpage(tuim-sefaz-sim tuim-sefaz-sim "simulador local das autorizadoras da NF-e e da NFC-e")
endif()
if(_manpages)
  add_custom_target(tuim_manpages ALL DEPENDS ${_manpages})
endif()

# The .deb: runtime dependencies computed by dpkg-shlibdeps from what the programs link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tuim)
set(CPACK_PACKAGE_VENDOR "Tuim")
set(CPACK_PACKAGE_CONTACT "Tuim <tuim@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "NF-e and NFC-e access-key workbench and fiscal-document library")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Desktop workbench for the access keys of Brazilian electronic invoices (NF-e, NFC-e), the tuim "
    "command line, the tuim-sefaz-sim authority simulator, and the static libraries, headers and "
    "official schema packages of the fiscal-document component.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xmlsec1, libxml2-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
