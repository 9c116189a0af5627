# What a Windows operator downloads: both programs with their icon, version
# information and manifest, stripped; build-win/kestrel8-windows.zip (unzip
# and run) and build-win/kestrel8-setup.exe (NSIS installer, for the user
# who runs it).

enable_language(RC)
set(KESTREL_WINDOWS_DIR ${CMAKE_CURRENT_LIST_DIR})
set(KESTREL_WINDOWS_PROGRAMS kestrel8 kestrel8-repeaters)
set(KESTREL_DEMO_DIR ${PROJECT_SOURCE_DIR}/tools/demo)
set(KESTREL_EXAMPLES
  ${KESTREL_DEMO_DIR}/D-STAR_DV_config.txt ${KESTREL_DEMO_DIR}/D-STAR_tranceiver_config.txt
  ${KESTREL_DEMO_DIR}/D-STAR_my_rpt.txt ${KESTREL_DEMO_DIR}/D-STAR_repeaters.txt
  ${KESTREL_DEMO_DIR}/D-STAR_reflectors.txt)

# Windows version numbers have four parts; the project's may have two.
foreach(part MAJOR MINOR PATCH TWEAK)
  set(KESTREL_VERSION_${part} ${PROJECT_VERSION_${part}})
  if("${KESTREL_VERSION_${part}}" STREQUAL "")
    set(KESTREL_VERSION_${part} 0)
  endif()
endforeach()
set(KESTREL_VERSION4
  ${KESTREL_VERSION_MAJOR}.${KESTREL_VERSION_MINOR}.${KESTREL_VERSION_PATCH}.${KESTREL_VERSION_TWEAK})
string(REPLACE "." "," KESTREL_RC_VERSION ${KESTREL_VERSION4})

# kestrel8.ico is tools/install/kestrel8.svg drawn at 16, 24, 32, 48 and 256
# pixels by rsvg-convert and packed by ImageMagick's convert.
set(KESTREL_RC_ICON ${KESTREL_WINDOWS_DIR}/kestrel8.ico)
set(KESTREL_RC_MANIFEST ${KESTREL_WINDOWS_DIR}/kestrel8.manifest)
set(KESTREL_DESCRIPTION_kestrel8 "Kestrel8 D-STAR DV adapter console")
set(KESTREL_DESCRIPTION_kestrel8-repeaters "Kestrel8 repeater list importer")
foreach(program ${KESTREL_WINDOWS_PROGRAMS})
  set(KESTREL_RC_NAME ${program})
  set(KESTREL_RC_FILE ${program}.exe)
  set(KESTREL_RC_DESCRIPTION ${KESTREL_DESCRIPTION_${program}})
  configure_file(${KESTREL_WINDOWS_DIR}/program.rc.in ${CMAKE_BINARY_DIR}/${program}.rc @ONLY)
  target_sources(${program} PRIVATE ${CMAKE_BINARY_DIR}/${program}.rc)
  set_property(SOURCE ${CMAKE_BINARY_DIR}/${program}.rc APPEND PROPERTY OBJECT_DEPENDS
    ${KESTREL_RC_ICON} ${KESTREL_RC_MANIFEST})
  target_link_options(${program} PRIVATE $<$<NOT:$<CONFIG:Debug>>:-s>)
endforeach()

# Plain text with CRLF, for Notepad: the zip's in build-win/, the installed
# copy's in build-win/installed/.
include(${KESTREL_WINDOWS_DIR}/readme_texts.cmake)
set(KESTREL_README_FOLDER_zip ${CMAKE_BINARY_DIR})
set(KESTREL_README_FOLDER_installed ${CMAKE_BINARY_DIR}/installed)
foreach(variant zip installed)
  foreach(part OPENING START NO_FILES IMPORT GUIDE)
    set(KESTREL_README_${part} "${KESTREL_README_${part}_${variant}}")
  endforeach()
  configure_file(${KESTREL_WINDOWS_DIR}/README-Windows.txt.in
    ${KESTREL_README_FOLDER_${variant}}/README-Windows.txt @ONLY NEWLINE_STYLE CRLF)
endforeach()

# The guide, the importer's manual and README-Windows for a browser, in a
# folder guide\ with the guide's pictures: the zip's README in build-win/guide,
# the installed one's in build-win/installed/guide.
find_program(KESTREL_MANDOC mandoc REQUIRED)
set(KESTREL_GUIDE_DIR ${CMAKE_BINARY_DIR}/guide)
kestrel8_html_page(markdown ${KESTREL_CMARK} ${PROJECT_SOURCE_DIR}/docs/operating.md
  ${KESTREL_GUIDE_DIR}/operating.html "Operating Kestrel8")
kestrel8_html_page(man ${KESTREL_MANDOC} ${PROJECT_SOURCE_DIR}/tools/install/man/kestrel8-repeaters.1
  ${KESTREL_GUIDE_DIR}/kestrel8-repeaters.html "")
foreach(variant zip installed)
  set(folder ${KESTREL_README_FOLDER_${variant}})
  kestrel8_html_page(text ${KESTREL_CMARK} ${folder}/README-Windows.txt
    ${folder}/guide/README-Windows.html "Kestrel8 for Windows")
endforeach()
set(KESTREL_GUIDE_PAGES ${KESTREL_GUIDE_DIR}/operating.html ${KESTREL_GUIDE_DIR}/kestrel8-repeaters.html)
set(KESTREL_GUIDE_PICTURES ${PROJECT_SOURCE_DIR}/docs/kestrel8.png
  ${PROJECT_SOURCE_DIR}/docs/screenshots/kestrel8-1_25.png)
add_custom_target(kestrel8_guide DEPENDS ${KESTREL_GUIDE_PAGES} ${KESTREL_GUIDE_DIR}/README-Windows.html
  ${CMAKE_BINARY_DIR}/installed/guide/README-Windows.html)

set(KESTREL_ZIP_FOLDER ${CMAKE_BINARY_DIR}/kestrel8-windows)
add_custom_target(kestrel8_zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${KESTREL_ZIP_FOLDER} ${CMAKE_BINARY_DIR}/kestrel8-windows.zip
  COMMAND ${CMAKE_COMMAND} -E make_directory ${KESTREL_ZIP_FOLDER}/examples
          ${KESTREL_ZIP_FOLDER}/guide/screenshots
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:kestrel8> $<TARGET_FILE:kestrel8-repeaters>
          ${CMAKE_BINARY_DIR}/README-Windows.txt ${KESTREL_ZIP_FOLDER}
  COMMAND ${CMAKE_COMMAND} -E copy ${KESTREL_EXAMPLES} ${KESTREL_ZIP_FOLDER}/examples
  COMMAND ${CMAKE_COMMAND} -E copy ${KESTREL_GUIDE_PAGES} ${KESTREL_GUIDE_DIR}/README-Windows.html
          ${PROJECT_SOURCE_DIR}/docs/kestrel8.png ${KESTREL_ZIP_FOLDER}/guide
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/screenshots/kestrel8-1_25.png
          ${KESTREL_ZIP_FOLDER}/guide/screenshots
  COMMAND ${CMAKE_COMMAND} -E tar cf kestrel8-windows.zip --format=zip kestrel8-windows
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  BYPRODUCTS ${CMAKE_BINARY_DIR}/kestrel8-windows.zip
  VERBATIM)
add_dependencies(kestrel8_zip ${KESTREL_WINDOWS_PROGRAMS} kestrel8_guide)

find_program(MAKENSIS makensis REQUIRED)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/kestrel8-setup.exe
  COMMAND ${MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DVERSION4=${KESTREL_VERSION4}
          -DPROGRAMS=${CMAKE_BINARY_DIR} -DSOURCES=${PROJECT_SOURCE_DIR}
          -DOUTFILE=${CMAKE_BINARY_DIR}/kestrel8-setup.exe ${KESTREL_WINDOWS_DIR}/kestrel8.nsi
  DEPENDS ${KESTREL_WINDOWS_PROGRAMS} ${KESTREL_WINDOWS_DIR}/kestrel8.nsi
          ${KESTREL_WINDOWS_DIR}/kestrel8.ico ${CMAKE_BINARY_DIR}/installed/README-Windows.txt
          ${CMAKE_BINARY_DIR}/installed/guide/README-Windows.html ${KESTREL_GUIDE_PAGES}
          ${KESTREL_GUIDE_PICTURES} ${KESTREL_EXAMPLES}
  VERBATIM)
add_custom_target(kestrel8_setup DEPENDS ${CMAKE_BINARY_DIR}/kestrel8-setup.exe)
