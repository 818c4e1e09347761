# Installs the build tree BUILD_DIR into PREFIX and checks the result.
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(rc)
  message(FATAL_ERROR "cmake --install failed: ${err}")
endif()
foreach(file bin/ql50 bin/ql50-cli bin/ql50-sim share/applications/ql50.desktop
             share/icons/hicolor/scalable/apps/ql50.svg share/metainfo/io.github.ql50.ql50.metainfo.xml
             share/man/man1/ql50.1.gz share/man/man1/ql50-cli.1.gz share/man/man1/ql50-sim.1.gz
             share/doc/ql50/copyright share/doc/ql50/changelog.Debian.gz)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(STRINGS ${PREFIX}/share/applications/ql50.desktop entry)
foreach(line "Exec=ql50 --desktop" "Icon=ql50" "Type=Application")
  if(NOT line IN_LIST entry)
    message(FATAL_ERROR "ql50.desktop lacks ${line}")
  endif()
endforeach()
execute_process(COMMAND ${PREFIX}/bin/ql50-cli --simulate --language en type
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(rc OR NOT out STREQUAL "8 Oxygen\n")
  message(FATAL_ERROR "installed ql50-cli: status ${rc}, output '${out}', ${err}")
endif()
