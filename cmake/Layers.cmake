# The layers of the program. Each library sees only its own folder and the folders of the
# layers below it, through a view of symbolic links in the build tree: an include that reaches a
# layer above fails to compile. ql50_layer(<target> <folder>...) gives a target its view.
set(QL50_LAYER_ROOT ${CMAKE_CURRENT_LIST_DIR}/..)
function(ql50_layer target)
  set(view ${CMAKE_BINARY_DIR}/layers/${target})
  file(REMOVE_RECURSE ${view})
  file(MAKE_DIRECTORY ${view})
  foreach(folder IN LISTS ARGN)
    get_filename_component(name ${folder} NAME)
    file(CREATE_LINK ${QL50_LAYER_ROOT}/${folder} ${view}/${name} SYMBOLIC)
  endforeach()
  target_include_directories(${target} PUBLIC ${view})
endfunction()
