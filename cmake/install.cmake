# The tools' version text, the install tree (plug-in, tools, manual pages,
# MIME type and desktop entry) and the Debian package made by CPack.
include(GNUInstallDirs)

# The command-line tools; each prints the project's version for --version
# (tools/cli.h).
set(NAPLPS_TOOLS)
foreach(tool pdiview pdi2png pdi2gif pdienc pdistat png2wngd)
  if(TARGET ${tool})
    list(APPEND NAPLPS_TOOLS ${tool})
    target_include_directories(${tool} PRIVATE ${PROJECT_SOURCE_DIR})
    target_compile_definitions(${tool} PRIVATE PICTARINE_VERSION="${PROJECT_VERSION}")
  endif()
endforeach()

# NPAPI browsers look for plug-ins in lib/mozilla/plugins under their prefix.
set(NAPLPS_PLUGIN_DIR "lib/mozilla/plugins" CACHE STRING
    "Where the plug-in is installed, relative to the install prefix")
set(NAPLPS_DATA_DIR "${CMAKE_INSTALL_DATADIR}/pictarine")

# pdiview finds the plug-in and the demo picture from where it stands: beside
# itself in the build tree, by these paths relative to it once installed.
if(TARGET pdiview)
  file(RELATIVE_PATH plugin_from_bin "/${CMAKE_INSTALL_BINDIR}" "/${NAPLPS_PLUGIN_DIR}")
  file(RELATIVE_PATH data_from_bin "/${CMAKE_INSTALL_BINDIR}" "/${NAPLPS_DATA_DIR}")
  target_compile_definitions(pdiview PRIVATE
    PICTARINE_PLUGIN_FROM_BIN="${plugin_from_bin}"
    PICTARINE_DATA_FROM_BIN="${data_from_bin}")
endif()

# Manual pages: the version filled in, compressed as Debian keeps them.
set(NAPLPS_MAN_PAGES)
foreach(tool IN LISTS NAPLPS_TOOLS)
  set(page ${PROJECT_SOURCE_DIR}/man/${tool}.1)
  if(EXISTS ${page})
    set(out ${PROJECT_BINARY_DIR}/man/${tool}.1)
    configure_file(${page} ${out} @ONLY)
    add_custom_command(OUTPUT ${out}.gz
      COMMAND gzip -9nfk ${out}
      DEPENDS ${out}
      COMMENT "Compressing the manual page of ${tool}")
    list(APPEND NAPLPS_MAN_PAGES ${out}.gz)
  endif()
endforeach()
add_custom_target(man ALL DEPENDS ${NAPLPS_MAN_PAGES})

install(TARGETS ${NAPLPS_TOOLS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# pdi2png-x11, pdi2png with the X back end, does the work of pdi2png --x11
# from beside it.
if(TARGET pdi2png-x11)
  target_compile_definitions(pdi2png-x11 PRIVATE PICTARINE_VERSION="${PROJECT_VERSION}")
  install(TARGETS pdi2png-x11 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET npnap)
  install(TARGETS npnap LIBRARY DESTINATION ${NAPLPS_PLUGIN_DIR}
          PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()
install(FILES ${NAPLPS_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/pictarine.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES data/pdiview.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES examples/demo.pdi DESTINATION ${NAPLPS_DATA_DIR})
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

# `cpack` in the build directory makes pictarine_VERSION_ARCH.deb; its
# Depends come from the libraries the installed files link.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pictarine)
set(CPACK_PACKAGE_CONTACT "Pictarine developers <pictarine@localhost>" CACHE STRING
    "Maintainer of the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "NAPLPS picture plug-in and tools for X11")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Pictarine decodes NAPLPS pictures, the videotex graphics protocol with its
Japanese extensions. It holds the NPAPI browser plug-in npnap.so, the viewer
pdiview, the converters pdi2png and pdi2gif (animated, with the pictures'
pauses and blinking), the encoder pdienc and the stream summary pdistat,
with the MIME type image/naplps and a desktop entry for pdiview.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
