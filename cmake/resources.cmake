# The program's resources: icons rendered from the SVG sources in platform/win32/resources at
# build time (rsvg-convert, icotool), the manifest and the version, compiled into Lumadex.exe by
# windres (mingw) or wrc (Winelib).

set(LUMADEX_RESOURCE_SOURCE ${CMAKE_SOURCE_DIR}/platform/win32/resources)
set(LUMADEX_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
file(MAKE_DIRECTORY ${LUMADEX_ICON_DIR})

find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(ICOTOOL icotool REQUIRED)

# One .ico from one SVG: a PNG per size, 256 px stored as PNG inside the icon, the others as bitmaps.
function(lumadex_icon name)
  set(source ${LUMADEX_RESOURCE_SOURCE}/${name}.svg)
  set(ico ${LUMADEX_ICON_DIR}/${name}.ico)
  set(commands)
  set(images)
  foreach(size IN LISTS ARGN)
    set(png ${LUMADEX_ICON_DIR}/${name}-${size}.png)
    list(APPEND commands COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${source})
    if(size EQUAL 256)
      list(APPEND images --raw=${png})
    else()
      list(APPEND images ${png})
    endif()
  endforeach()
  add_custom_command(OUTPUT ${ico} ${commands}
                     COMMAND ${ICOTOOL} -c -o ${ico} ${images}
                     DEPENDS ${source} VERBATIM)
  set_property(GLOBAL APPEND PROPERTY LUMADEX_ICONS ${ico})
endfunction()

lumadex_icon(lumadex 16 24 32 48 256)
foreach(state checking unreachable stopped)
  lumadex_icon(state_${state} 16 32)
endforeach()
get_property(LUMADEX_ICONS GLOBAL PROPERTY LUMADEX_ICONS)

set(LUMADEX_VERSION_QUAD ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
set(LUMADEX_VERSION_COMMAS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0)
set(LUMADEX_MANIFEST ${CMAKE_BINARY_DIR}/Lumadex.exe.manifest)
configure_file(${LUMADEX_RESOURCE_SOURCE}/lumadex.manifest.in ${LUMADEX_MANIFEST} @ONLY)
set(LUMADEX_RC ${CMAKE_BINARY_DIR}/lumadex.rc)
configure_file(${LUMADEX_RESOURCE_SOURCE}/lumadex.rc.in ${LUMADEX_RC} @ONLY)
set(LUMADEX_RESOURCE_INPUTS ${LUMADEX_ICONS} ${LUMADEX_MANIFEST}
    ${CMAKE_SOURCE_DIR}/platform/win32/resource_ids.h)

# Adds the compiled resources to a program target.
function(lumadex_add_resources target)
  if(LUMADEX_WINELIB)
    # winegcc links a compiled .res file given on its command line into the program.
    find_program(WRC wrc REQUIRED)
    set(res ${CMAKE_BINARY_DIR}/lumadex.res)
    add_custom_command(OUTPUT ${res}
                       COMMAND ${WRC} --nostdinc -I${CMAKE_SOURCE_DIR}
                               -I/usr/include/wine/wine/windows -o ${res} ${LUMADEX_RC}
                       DEPENDS ${LUMADEX_RC} ${LUMADEX_RESOURCE_INPUTS} VERBATIM)
    add_custom_target(${target}_resources DEPENDS ${res})
    add_dependencies(${target} ${target}_resources)
    target_link_options(${target} PRIVATE ${res})
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${res})
  else()
    target_sources(${target} PRIVATE ${LUMADEX_RC})
    set_source_files_properties(${LUMADEX_RC} PROPERTIES OBJECT_DEPENDS "${LUMADEX_RESOURCE_INPUTS}")
    target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
  endif()
endfunction()

# The per-user installer (windows build): out/windows/Lumadex-<version>-setup.exe.
function(lumadex_add_installer target)
  find_program(MAKENSIS makensis REQUIRED)
  set(script ${CMAKE_SOURCE_DIR}/installer/Lumadex.nsi)
  set(setup ${LUMADEX_OUT_DIR}/Lumadex-${PROJECT_VERSION}-setup.exe)
  add_custom_command(OUTPUT ${setup}
                     COMMAND ${MAKENSIS} -V2 -WX -DVERSION=${PROJECT_VERSION} -DPROGRAM=$<TARGET_FILE:${target}>
                             -DICON=${LUMADEX_ICON_DIR}/lumadex.ico -DOUTFILE=${setup} ${script}
                     DEPENDS ${script} ${target} ${LUMADEX_ICON_DIR}/lumadex.ico VERBATIM)
  add_custom_target(${target}_installer ALL DEPENDS ${setup})
endfunction()
