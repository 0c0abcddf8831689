# LndModules.cmake -- one static library per folder of the program, named
# after it (lnd_<folder>, with "/" as "_": lnd_tools_gltf), linked in the
# folders' order:
#
#   tools -> tools/<converter> -> tools/common
#   tools, app -> viewer -> scene -> geometry -> texture -> landscape
#   image -> platform
#
# Each folder's library holds the .cpp files of that folder and no other,
# and links only the libraries of the folders below it that it includes;
# tests/layout/ checks both against the build's own description of its
# targets.
#
# lnd_modules(SUFFIX MODE) makes the set under a suffix ("" for the programs,
# "_asan", "_fma", or the fuzz project's own). MODE FULL takes every folder;
# MODE PURE only what needs neither GL nor a window: the platform's services
# without its GL, window and offscreen parts, geometry/ without its lists, no
# scene/, viewer/ or app/, and of tools/ itself the sample generator alone.
# LND_MODULE_OPTIONS and LND_MODULE_LINK_OPTIONS, when set, go on every
# library of the set and on what links them. The libraries are built only
# when something that is built needs them.
#
# Needs: LND_PLATFORM_*_SOURCES and the lnd_platform_* interface targets
# (LndPlatform.cmake), squish_lib, sodium_lib, tinygltf_header,
# nlohmann_json, PNG and Threads.

get_filename_component(LND_MODULE_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

# The .cpp files of one folder, absolute, less the given names.
function(lnd_folder_sources out folder)
  file(GLOB found CONFIGURE_DEPENDS ${LND_MODULE_ROOT}/${folder}/*.cpp)
  foreach(name ${ARGN})
    list(REMOVE_ITEM found ${LND_MODULE_ROOT}/${folder}/${name})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# The programs' entries: their own executables, in no library.
set(LND_ENTRY_SOURCES app/main.cpp tools/lndtool.cpp)
# GL emission that the pure set leaves out.
set(LND_GEOMETRY_GL_SOURCES textured_lists.cpp wireframe_lists.cpp)

function(lnd_module name suffix)
  string(REPLACE "/" "_" target "lnd_${name}${suffix}")
  add_library(${target} STATIC EXCLUDE_FROM_ALL ${ARGN})
  target_include_directories(${target} PUBLIC ${LND_MODULE_ROOT})
  if(LND_MODULE_OPTIONS)
    target_compile_options(${target} PUBLIC ${LND_MODULE_OPTIONS})
  endif()
  if(LND_MODULE_LINK_OPTIONS)
    target_link_options(${target} PUBLIC ${LND_MODULE_LINK_OPTIONS})
  endif()
endfunction()

# lnd_module_links(folder suffix folders below... [EXTERNAL libraries...])
function(lnd_module_links name suffix)
  string(REPLACE "/" "_" target "lnd_${name}${suffix}")
  set(external OFF)
  foreach(item ${ARGN})
    if(item STREQUAL "EXTERNAL")
      set(external ON)
    elseif(external)
      target_link_libraries(${target} PUBLIC ${item})
    else()
      string(REPLACE "/" "_" below "lnd_${item}${suffix}")
      target_link_libraries(${target} PUBLIC ${below})
    endif()
  endforeach()
endfunction()

function(lnd_modules suffix mode)
  set(platform ${LND_PLATFORM_CORE_SOURCES} platform/landscape_files.cpp)
  set(platform_links lnd_platform_core Threads::Threads)
  set(geometry_excluded)
  if(mode STREQUAL "FULL")
    list(APPEND platform platform/gl_entry_points.cpp ${LND_PLATFORM_WINDOW_SOURCES} ${LND_PLATFORM_OFFSCREEN_SOURCES})
    list(APPEND platform_links lnd_platform_gl lnd_platform_window lnd_platform_offscreen)
  else()
    set(geometry_excluded ${LND_GEOMETRY_GL_SOURCES})
  endif()
  list(TRANSFORM platform PREPEND ${LND_MODULE_ROOT}/)
  lnd_module(platform "${suffix}" ${platform})
  lnd_module_links(platform "${suffix}" EXTERNAL ${platform_links})

  foreach(folder landscape texture image tools/common tools/folder tools/heights tools/gltf tools/diff tools/info
                 tools/map tools/sample tools/new)
    lnd_folder_sources(sources ${folder})
    lnd_module(${folder} "${suffix}" ${sources})
  endforeach()
  lnd_folder_sources(sources geometry ${geometry_excluded})
  lnd_module(geometry "${suffix}" ${sources})

  lnd_module_links(landscape "${suffix}")
  lnd_module_links(texture "${suffix}" landscape platform EXTERNAL Threads::Threads)
  lnd_module_links(geometry "${suffix}" landscape platform)
  lnd_module_links(image "${suffix}" platform EXTERNAL PNG::PNG)
  lnd_module_links(tools/common "${suffix}" landscape texture EXTERNAL squish_lib sodium_lib
                   nlohmann_json::nlohmann_json)
  lnd_module_links(tools/folder "${suffix}" tools/common image landscape platform texture EXTERNAL
                   nlohmann_json::nlohmann_json)
  lnd_module_links(tools/heights "${suffix}" geometry image landscape EXTERNAL nlohmann_json::nlohmann_json)
  lnd_module_links(tools/gltf "${suffix}" geometry image landscape texture EXTERNAL tinygltf_header)
  lnd_module_links(tools/diff "${suffix}" tools/common landscape texture)
  lnd_module_links(tools/info "${suffix}" tools/common landscape)
  lnd_module_links(tools/map "${suffix}" tools/common tools/heights landscape texture)
  lnd_module_links(tools/sample "${suffix}" landscape EXTERNAL squish_lib)
  lnd_module_links(tools/new "${suffix}" tools/sample geometry image landscape texture EXTERNAL squish_lib)

  if(mode STREQUAL "FULL")
    lnd_folder_sources(sources tools lndtool.cpp)
    lnd_module(tools "${suffix}" ${sources})
    lnd_module_links(tools "${suffix}" tools/diff tools/folder tools/gltf tools/heights tools/info tools/map tools/new tools/sample geometry image
                     landscape platform scene texture EXTERNAL nlohmann_json::nlohmann_json)
    foreach(folder scene viewer)
      lnd_folder_sources(sources ${folder})
      lnd_module(${folder} "${suffix}" ${sources})
    endforeach()
    lnd_folder_sources(sources app main.cpp)
    lnd_module(app "${suffix}" ${sources})
    lnd_module_links(scene "${suffix}" geometry landscape platform texture)
    lnd_module_links(viewer "${suffix}" geometry image landscape platform scene texture)
    lnd_module_links(app "${suffix}" geometry landscape platform scene texture viewer)
  endif()
endfunction()
