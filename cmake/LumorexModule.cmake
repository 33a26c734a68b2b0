# lumorex_module(<target> DEF <file.def> [RC <file.rc>] [LIBS ...] [SOURCES ...])
# A DLL with undecorated exports and fixed ordinals from its .def file.
function(lumorex_module target)
  cmake_parse_arguments(M "" "DEF" "SOURCES;RC;LIBS" ${ARGN})
  add_library(${target} SHARED ${M_SOURCES} ${M_RC} ${M_DEF})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${target})
  target_link_libraries(${target} PRIVATE ${M_LIBS})
  if(NOT MSVC)
    # The .def names win over the compiler's stdcall decoration on i686.
    target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup -Wl,--kill-at)
  endif()
endfunction()
