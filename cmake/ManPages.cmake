# Manual pages, made at build time by help2man from each program's --help, so a page always
# says what --help says. One line per program:
#   ql50_man_page(TARGET "what it does, as the page's NAME line puts it")
# builds the page with the program (build/man/TARGET.1.gz) and installs it into man1.
find_program(QL50_HELP2MAN help2man)
find_program(QL50_GZIP gzip)
if(NOT QL50_HELP2MAN OR NOT QL50_GZIP)
  message(STATUS "help2man or gzip not found: no manual pages (tools/install-deps.sh installs them)")
endif()

function(ql50_man_page target description)
  if(NOT QL50_HELP2MAN OR NOT QL50_GZIP)
    return()
  endif()
  set(page ${CMAKE_BINARY_DIR}/man/${target}.1)
  # The program runs at build time; a sanitizer build must not fail on what the sanitizers
  # report at its exit.
  add_custom_command(
    OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
            ${QL50_HELP2MAN} --no-info --section=1 --name=${description}
            --version-string=${PROJECT_VERSION} --source=ql50 --output=${page}
            $<TARGET_FILE:${target}>
    COMMAND ${QL50_GZIP} -9nf ${page}
    DEPENDS ${target}
    COMMENT "Manual page of ${target}"
    VERBATIM)
  add_custom_target(${target}_man ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
