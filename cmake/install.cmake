# What a user gets. `cmake --install` lays the programs out as they ship: on Linux the
# exporter, its manual page and its licence notices under the usual folders, packaged for
# Debian by CPack; on Windows both programs and their notices in one folder, which
# tools/release.sh puts into the zip.
include(GNUInstallDirs)

# Writes the notices of the third-party code linked into the programs: the copyright files
# of the Debian packages that provide it, after an introduction.
function(pixolve_write_notices output introduction)
  set(text "${introduction}\n")
  foreach(package IN LISTS ARGN)
    set(copyright /usr/share/doc/${package}/copyright)
    if(NOT EXISTS ${copyright})
      message(FATAL_ERROR "${copyright} not found (tools/setup.sh installs ${package})")
    endif()
    file(READ ${copyright} notice)
    string(APPEND text "\n==== From the Debian package ${package} (${copyright}):\n\n${notice}")
  endforeach()
  file(WRITE ${output} "${text}")
endfunction()

set(PIXOLVE_NOTICES ${CMAKE_BINARY_DIR}/third-party-notices.txt)
if(WIN32)
  string(REPLACE "_" "-" debian_arch ${CMAKE_SYSTEM_PROCESSOR})
  pixolve_write_notices(${PIXOLVE_NOTICES}
    "pixolve.exe and pixolve-render.exe contain stb_image_write, the mingw-w64 runtime with
winpthreads, and the GCC runtime libraries libgcc and libstdc++ (under the GCC Runtime
Library Exception). Their notices follow."
    libstb-dev mingw-w64-${debian_arch}-dev gcc-mingw-w64-${debian_arch}-posix-runtime)
  install(TARGETS pixolve pixolve-render RUNTIME DESTINATION .)
  install(FILES ${PIXOLVE_NOTICES} DESTINATION . RENAME THIRD-PARTY-NOTICES.txt)
  return()
endif()

pixolve_write_notices(${PIXOLVE_NOTICES}
  "pixolve-render, the exporter of Pixolve, contains stb_image_write, whose notice follows."
  libstb-dev)
install(TARGETS pixolve-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PIXOLVE_NOTICES}
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/pixolve-render RENAME copyright)
if(TARGET pixolve-render-manual)
  install(FILES ${PIXOLVE_MANUAL} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pixolve-render)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Pixolve team")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "shows the bytes of any file as a picture and writes it out")
set(CPACK_PACKAGE_DESCRIPTION "\
pixolve-render decodes a file as 1, 4 or 8-bit grey, 16-bit pixels with any channel
layout, 24 or 32-bit pixels in any channel order, or DXT1 blocks, from any offset, at
any width and height, and writes a PNG, BMP or PPM picture or the raw pixel buffer.
It also guesses the likely layouts of a file (--guess).")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
