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
target_include_directories(sky_content PRIVATE ${SKY_GENERATED_DIR})
