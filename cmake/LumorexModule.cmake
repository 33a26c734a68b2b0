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
    # Release modules ship without debug information (the static runtime brings some along).
    target_link_options(${target} PRIVATE $<$<NOT:$<CONFIG:Debug,RelWithDebInfo>>:-s>)
  endif()
endfunction()

# lumorex_idl(<target> <file.idl> <output dir>)
# Compiles an IDL file into <name>.tlb, the interface header <name>_i.h and the identifiers
# <name>_i.c: widl with mingw-w64, MIDL with MSVC. The type library's system kind follows the
# target: SYS_WIN32 for x86, SYS_WIN64 for x64.
function(lumorex_idl target idl outdir)
  get_filename_component(name ${idl} NAME_WE)
  set(outputs ${outdir}/${name}.tlb ${outdir}/${name}_i.h ${outdir}/${name}_i.c)
  if(MSVC)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      set(env x64)
    else()
      set(env win32)
    endif()
    add_custom_command(OUTPUT ${outputs}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${outdir}
      COMMAND midl /nologo /env ${env} /out ${outdir} /tlb ${name}.tlb /h ${name}_i.h /iid ${name}_i.c
              /proxy ${name}_p.c /dlldata ${name}_dlldata.c ${idl}
      DEPENDS ${idl} VERBATIM)
  else()
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
      set(kind --win64)
    else()
      set(kind --win32)
    endif()
    set(widl ${LUMOREX_WIDL} ${kind} -I ${LUMOREX_WIDL_IDL_DIR} -L ${LUMOREX_WIDL_TLB_DIR})
    add_custom_command(OUTPUT ${outputs}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${outdir}
      COMMAND ${widl} -t -o ${outdir}/${name}.tlb ${idl}
      COMMAND ${widl} -h -o ${outdir}/${name}_i.h ${idl}
      COMMAND ${widl} -u -o ${outdir}/${name}_i.c ${idl}
      DEPENDS ${idl} VERBATIM)
  endif()
  add_custom_target(${target} DEPENDS ${outputs})
endfunction()
