# oxel_embed_bitmaps(<target> [DIR <folder>] [FILES <png>...] [DEPENDS <target>...])
#
# Compiles pictures named bmpNNNNN.png (and bmpNNNNN@2x.png, @3x) into <target>: a source file generated
# at build time holds their bytes and registers them with the platform layer,
# where the bitmap loader finds them by number when no picture file is found.
# FILES lists the pictures (they may be outputs of other build steps); without
# it, DIR is searched for bmp*.png when CMake configures. <target> must be an
# executable or a module so that the registration is linked in.
set(OXEL_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/embed_bitmaps_generate.cmake CACHE INTERNAL "")

function(oxel_embed_bitmaps target)
  cmake_parse_arguments(EMBED "" "DIR" "FILES;DEPENDS" ${ARGN})
  set(files ${EMBED_FILES})
  if(NOT files AND EMBED_DIR)
    file(GLOB files ${EMBED_DIR}/bmp*.png)
    list(SORT files)
  endif()
  set(output ${CMAKE_CURRENT_BINARY_DIR}/${target}_embedded_bitmaps.cpp)
  string(REPLACE ";" "|" file_arg "${files}")
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} "-DOUTPUT=${output}" "-DFILES=${file_arg}" "-DSYMBOL=${target}"
            -P ${OXEL_EMBED_SCRIPT}
    DEPENDS ${files} ${OXEL_EMBED_SCRIPT} ${EMBED_DEPENDS}
    COMMENT "Embedding ${target} pictures"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
  target_link_libraries(${target} PRIVATE oxel::platform)
endfunction()
