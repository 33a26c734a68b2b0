# Compiler options for the code of a lean module (see LEAN below): small rather than fast, each
# function and datum in a section of its own, so that the linker can leave out what nothing uses.
if(MSVC)
  set(LUMOREX_LEAN_COMPILE_OPTIONS /O1 /Gy /Gw)
else()
  set(LUMOREX_LEAN_COMPILE_OPTIONS -Os -ffunction-sections -fdata-sections)
endif()

# lumorex_module(<target> DEF <file.def> [RC <file.rc>] [LIBS ...] [SOURCES ...] [LEAN])
# A DLL with undecorated exports and fixed ordinals from its .def file. LEAN: a module that the
# system maps into other processes (a hook module, into every process that gets input while its
# hooks are set): its own sources are compiled with LUMOREX_LEAN_COMPILE_OPTIONS (give its static
# libraries the same), unreferenced sections are left out, and the C++ runtime's verbose handler
# for uncaught exceptions, with the symbol demangler it brings, is replaced.
function(lumorex_module target)
  cmake_parse_arguments(M "LEAN" "DEF" "SOURCES;RC;LIBS" ${ARGN})
  add_library(${target} SHARED ${M_SOURCES} ${M_RC} ${M_DEF})
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${target})
  target_link_libraries(${target} PRIVATE ${M_LIBS})
  if(M_LEAN)
    target_compile_options(${target} PRIVATE ${LUMOREX_LEAN_COMPILE_OPTIONS})
    if(MSVC)
      target_link_options(${target} PRIVATE /OPT:REF /OPT:ICF)
    else()
      target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/common/lean_runtime/terminate_handler.cpp)
      target_link_options(${target} PRIVATE -Wl,--gc-sections)
    endif()
  endif()
  if(NOT MSVC)
    # The .def names win over the compiler's stdcall decoration on i686.
    target_link_options(${target} PRIVATE -Wl,--enable-stdcall-fixup -Wl,--kill-at)
  endif()
  lumorex_release_binary(${target})
endfunction()

# lumorex_release_binary(<target>)
# A binary that ships: release builds carry no debug information (the static runtime brings some
# along).
function(lumorex_release_binary target)
  if(NOT MSVC)
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

# lumorex_version_block(<target> FILE <file name> DESCRIPTION <text> [LANGUAGE <primary, sub>]
#                       [SELF_REGISTERING])
# Gives <target> the version block of the binary <file name> (an .exe is an application, anything
# else a DLL): the release's version, which is the top project's version, the same in every binary,
# and the binary's own names; LANGUAGE is the resource language (English by default);
# SELF_REGISTERING marks a module that registers itself through DllRegisterServer.
function(lumorex_version_block target)
  cmake_parse_arguments(V "SELF_REGISTERING" "FILE;DESCRIPTION;LANGUAGE" "" ${ARGN})
  set(LUMOREX_VB_FILE ${V_FILE})
  set(LUMOREX_VB_DESCRIPTION ${V_DESCRIPTION})
  get_filename_component(LUMOREX_VB_NAME ${V_FILE} NAME_WE)
  string(TOLOWER ${V_FILE} file)
  if(file MATCHES "\\.exe$")
    set(LUMOREX_VB_TYPE VFT_APP)
  else()
    set(LUMOREX_VB_TYPE VFT_DLL)
  endif()
  if(V_LANGUAGE)
    set(LUMOREX_VB_LANGUAGE ${V_LANGUAGE})
  else()
    set(LUMOREX_VB_LANGUAGE "0x09, 0x01")
  endif()
  set(LUMOREX_VB_EXTRA "")
  if(V_SELF_REGISTERING)
    set(LUMOREX_VB_EXTRA "            VALUE \"OLESelfRegister\", \"\"")
  endif()
  set(numbers ${CMAKE_PROJECT_VERSION_MAJOR} ${CMAKE_PROJECT_VERSION_MINOR} ${CMAKE_PROJECT_VERSION_PATCH}
              ${CMAKE_PROJECT_VERSION_TWEAK})
  list(JOIN numbers "," LUMOREX_VB_NUMBERS)
  list(JOIN numbers ", " LUMOREX_VB_TEXT)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${LUMOREX_VB_NAME}_version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/version_block.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
