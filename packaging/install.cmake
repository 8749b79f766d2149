# Install rules and the Debian package, included by the top CMakeLists.txt.
# Everything installed comes from the source tree or is built here; the data
# is read-only once installed: the game copies what a player needs into
# $XDG_DATA_HOME/dustwhirl on its first start.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Installing builds only what it installs (see the deb target), not the tests
# and benchmarks.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
set(dw_pkg ${CMAKE_SOURCE_DIR}/packaging)
set(dw_installed packaging_files)
set(dw_app_id net.dustwhirl)

# The game and its editor go where a system keeps its games (/usr/games, in
# every user's PATH on Debian), the tools with the other programs.
foreach(program Dustwhirl Courseforge dwrace trktool trackbuilder)
  if(TARGET ${program})
    if(program MATCHES "^(Dustwhirl|Courseforge)$")
      install(TARGETS ${program} RUNTIME DESTINATION ${DW_INSTALL_GAMESDIR})
    else()
      install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
    list(APPEND dw_installed ${program})
  endif()
endforeach()

install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/ DESTINATION ${DW_DATA_INSTALL_DIR}
        PATTERN README.md EXCLUDE)

install(FILES ${dw_pkg}/${dw_app_id}.Dustwhirl.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${dw_pkg}/${dw_app_id}.Dustwhirl.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${dw_pkg}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor
        FILES_MATCHING PATTERN "dustwhirl.png")
if(TARGET Courseforge)
  install(FILES ${dw_pkg}/${dw_app_id}.Courseforge.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${dw_pkg}/dustwhirl-track.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
  install(DIRECTORY ${dw_pkg}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor
          FILES_MATCHING PATTERN "courseforge.png")
endif()

# Man pages and the changelog are installed compressed, as Debian wants them.
find_program(DW_GZIP gzip)
set(dw_gz_dir ${CMAKE_BINARY_DIR}/packaging)
set(dw_gz_files)
macro(dw_gzip source name)
  add_custom_command(OUTPUT ${dw_gz_dir}/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dw_gz_dir}
    COMMAND ${DW_GZIP} -9n -c ${source} > ${dw_gz_dir}/${name}.gz
    DEPENDS ${source} VERBATIM)
  list(APPEND dw_gz_files ${dw_gz_dir}/${name}.gz)
endmacro()
set(dw_man_pages)
foreach(page Dustwhirl.6 Courseforge.6 dwrace.1 trktool.1 trackbuilder.1)
  string(REGEX REPLACE "\\.[0-9]$" "" program ${page})
  string(REGEX REPLACE "^.*\\." "" section ${page})
  if(TARGET ${program})
    dw_gzip(${dw_pkg}/man/${page} ${page})
    install(FILES ${dw_gz_dir}/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
  endif()
endforeach()
dw_gzip(${dw_pkg}/changelog changelog)
add_custom_target(packaging_files ALL DEPENDS ${dw_gz_files})
install(FILES ${dw_gz_dir}/changelog.gz ${dw_pkg}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/dustwhirl)

# cpack -G DEB (from the build folder): one package with the programs and the
# data; its dependencies are worked out from the shared libraries.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dustwhirl)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Dustwhirl developers")
set(CPACK_PACKAGE_CONTACT "Dustwhirl developers <dustwhirl@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "top-down arcade racing game with a track editor")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Dustwhirl races up to six cars, driven by players or by the computer, on
one screen around tracks of tarmac, gravel, mud, sand and snow. Seasons
award championship points; tyre wear, fuel and damage bring cars into
their pits. Races can be paused, replayed and saved, and each track keeps
its best laps and the ghost of the best one.

Courseforge, the track editor, paints a track's ground and hills, places
its objects, start positions, pits and checkpoints and the computer
drivers' line. The tools dwrace, trktool and trackbuilder run races
without a window, inspect track files and build tracks from recipes.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
# `cmake --build build --target deb` builds what is installed and the package.
add_custom_target(deb
  COMMAND ${CMAKE_CPACK_COMMAND} -G DEB --config ${CMAKE_BINARY_DIR}/CPackConfig.cmake
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR} USES_TERMINAL)
add_dependencies(deb ${dw_installed})
