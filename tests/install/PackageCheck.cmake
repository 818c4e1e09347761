# Builds the Debian package of the build tree BUILD_DIR in OUT with cpack (CPACK) and checks it as Debian's tools
# do: lintian reports no error and no warning, and the desktop entry and the AppStream metadata
# in it are valid. Skipped where one of the tools is missing.
cmake_minimum_required(VERSION 3.25)
foreach(tool lintian desktop-file-validate appstreamcli dpkg-deb)
  find_program(found_${tool} ${tool})
  if(NOT found_${tool})
    message("SKIPPED: ${tool} is not installed (tools/install-deps.sh installs it)")
    return()
  endif()
endforeach()

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(REGEX REPLACE "running with root privileges is not recommended!\n" "" err "${err}")
  message("${what}:\n${out}${err}")
  if(rc OR "\n${out}" MATCHES "\n[EW]: ")
    message(FATAL_ERROR "${what} failed (status ${rc})")
  endif()
endfunction()

file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CPACK} -G DEB -B ${OUT} WORKING_DIRECTORY ${BUILD_DIR}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(GLOB deb ${OUT}/ql50_*.deb)
if(rc OR NOT deb)
  message(FATAL_ERROR "cpack failed: ${out}${err}")
endif()
run("lintian" lintian --fail-on error,warning ${deb})
run("unpacking" dpkg-deb -x ${deb} ${OUT}/root)
run("desktop-file-validate" desktop-file-validate ${OUT}/root/usr/share/applications/ql50.desktop)
file(GLOB metainfo ${OUT}/root/usr/share/metainfo/*.metainfo.xml)
run("appstreamcli validate" appstreamcli validate --no-net ${metainfo})
