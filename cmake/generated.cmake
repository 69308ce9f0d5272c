# Build-time generators and the sources they write. Included after the layer
# libraries, so that it can hand each library its generated files.

set(SKY_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)

# Panel instrument code tables of the legacy aircraft converters, from their
# run lists.
add_executable(gen_code_tables ${CMAKE_SOURCE_DIR}/tools/gen_code_tables.cpp)
set(code_tables_in ${CMAKE_SOURCE_DIR}/src/content/OLD_io_acf_codes.txt)
set(code_tables_out ${SKY_GENERATED_DIR}/content/OLD_io_acf_codes.inc)
add_custom_command(
  OUTPUT ${code_tables_out}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SKY_GENERATED_DIR}/content
  COMMAND gen_code_tables ${code_tables_in} ${code_tables_out}
  DEPENDS gen_code_tables ${code_tables_in}
  COMMENT "Generating the panel code tables")
target_sources(sky_content PRIVATE ${code_tables_out})

# The field map of the 7.40 aircraft image: the unnamed fields it declares
# are part of the model's header, so every user of the library sees them.
add_executable(gen_field_map ${CMAKE_SOURCE_DIR}/tools/gen_field_map.cpp)
set(field_map_in ${CMAKE_SOURCE_DIR}/src/content/OLD_io_acf_map.txt)
set(field_map_out ${SKY_GENERATED_DIR}/content/acft_v740_fields.inc ${SKY_GENERATED_DIR}/content/OLD_io_acf_map.inc)
add_custom_command(
  OUTPUT ${field_map_out}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${SKY_GENERATED_DIR}/content
  COMMAND gen_field_map ${field_map_in} ${field_map_out}
  DEPENDS gen_field_map ${field_map_in}
  COMMENT "Generating the 7.40 field map")
add_custom_target(sky_content_generated DEPENDS ${code_tables_out} ${field_map_out})
target_sources(sky_content PRIVATE ${field_map_out})
add_dependencies(sky_content sky_content_generated)
target_include_directories(sky_content PUBLIC ${SKY_GENERATED_DIR})

# The built-in images: painted at build time, embedded with .incbin.
find_package(Freetype REQUIRED)
set(dejavu_dirs /usr/share/fonts/truetype/dejavu)
foreach(font SANS:DejaVuSans.ttf BOLD:DejaVuSans-Bold.ttf MONO:DejaVuSansMono.ttf)
  string(REPLACE ":" ";" parts ${font})
  list(GET parts 0 key)
  list(GET parts 1 file)
  find_file(SKY_FONT_${key} ${file} PATHS ${dejavu_dirs} NO_DEFAULT_PATH)
  if(NOT SKY_FONT_${key})
    message(FATAL_ERROR "The font ${file} is missing: install fonts-dejavu-core (scripts/setup does).")
  endif()
endforeach()

# The glyph grid and widths come from the font code itself.
add_executable(ins_art_gen ${CMAKE_SOURCE_DIR}/tools/ins_art_gen.cpp ${CMAKE_SOURCE_DIR}/src/graphics/oglp_glyph.cpp)
target_include_directories(ins_art_gen PRIVATE ${CMAKE_SOURCE_DIR}/tools ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(ins_art_gen PRIVATE Freetype::Freetype PNG::PNG)
target_compile_definitions(ins_art_gen PRIVATE
  SKY_FONT_SANS="${SKY_FONT_SANS}" SKY_FONT_BOLD="${SKY_FONT_BOLD}" SKY_FONT_MONO="${SKY_FONT_MONO}")

set(art_dir ${SKY_GENERATED_DIR}/ins_art)
set(art_preview_dir ${CMAKE_BINARY_DIR}/art_preview)
set(art_images t_installer t_ins_back_1 t_ins_back_2 t_interface)
set(art_raw "")
set(art_png "")
foreach(img ${art_images})
  list(APPEND art_raw ${art_dir}/${img}.rgba)
  list(APPEND art_png ${art_preview_dir}/${img}.png)
endforeach()
add_custom_command(OUTPUT ${art_raw} ${art_png}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${art_dir} ${art_preview_dir}
  COMMAND ins_art_gen ${art_dir} ${art_preview_dir}
  DEPENDS ins_art_gen
  COMMENT "Painting the built-in images (previews in ${art_preview_dir})"
  VERBATIM)

# Each array is followed by an end label, so that a test can check how many
# bytes were embedded.
set(asm "\t.section .rodata\n")
foreach(img ${art_images})
  string(APPEND asm
    "\t.balign 16\n\t.globl ${img}_dat\n\t.type ${img}_dat, @object\n${img}_dat:\n"
    "\t.incbin \"${art_dir}/${img}.rgba\"\n\t.size ${img}_dat, . - ${img}_dat\n"
    "\t.globl ${img}_dat_end\n${img}_dat_end:\n")
endforeach()
string(APPEND asm "\t.section .note.GNU-stack,\"\",@progbits\n")
file(CONFIGURE OUTPUT ${art_dir}/ins_art_data.S CONTENT "${asm}" @ONLY)
set_source_files_properties(${art_dir}/ins_art_data.S PROPERTIES OBJECT_DEPENDS "${art_raw}")

add_library(sky_ins_art STATIC ${art_dir}/ins_art_data.S)
target_include_directories(sky_ins_art PUBLIC ${CMAKE_SOURCE_DIR}/tools)

get_target_property(installer_kind sky_installer TYPE)
if(installer_kind STREQUAL "INTERFACE_LIBRARY")
  target_link_libraries(sky_installer INTERFACE sky_ins_art)
else()
  target_link_libraries(sky_installer PUBLIC sky_ins_art)
endif()
