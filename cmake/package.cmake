# The Windows Installer package and the portable zip, both named with the one project version:
#   cmake --build build --target msi
# A second package one minor version up is made for the upgrade test only.
find_program(OMBRIX_WIXL wixl REQUIRED)
set(OMBRIX_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
set(OMBRIX_EXE ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/Ombrix.exe)
set(OMBRIX_ADMX ${CMAKE_SOURCE_DIR}/policy/Ombrix.admx)
set(OMBRIX_ADML ${CMAKE_SOURCE_DIR}/policy/en-US/Ombrix.adml)

function(ombrix_msi version output)
  set(OMBRIX_PACKAGE_VERSION ${version})
  set(wxs ${OMBRIX_PACKAGE_DIR}/wxs/Ombrix-${version}.wxs)
  configure_file(${CMAKE_SOURCE_DIR}/res/ombrix.wxs.in ${wxs} @ONLY)
  # wixl takes the files by names relative to where it runs.
  set(stage ${OMBRIX_PACKAGE_DIR}/stage-${version})
  file(MAKE_DIRECTORY ${stage} ${OMBRIX_PACKAGE_DIR}/upgrade-test)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${CMAKE_COMMAND} -E copy ${OMBRIX_EXE} ${CMAKE_SOURCE_DIR}/res/ombrix.ico ${OMBRIX_ADMX}
                             ${OMBRIX_ADML} ${stage}
                     COMMAND ${OMBRIX_WIXL} -a x64 -o ${output} ${wxs}
                     WORKING_DIRECTORY ${stage}
                     DEPENDS Ombrix ${wxs} ${CMAKE_SOURCE_DIR}/res/ombrix.ico ${OMBRIX_ADMX} ${OMBRIX_ADML}
                     COMMENT "Packaging ${output}")
endfunction()

set(OMBRIX_MSI ${OMBRIX_PACKAGE_DIR}/Ombrix-${PROJECT_VERSION}-x64.msi)
set(OMBRIX_ZIP ${OMBRIX_PACKAGE_DIR}/Ombrix-${PROJECT_VERSION}-x64.zip)
math(EXPR OMBRIX_NEXT_MINOR "${PROJECT_VERSION_MINOR} + 1")
set(OMBRIX_NEXT_VERSION ${PROJECT_VERSION_MAJOR}.${OMBRIX_NEXT_MINOR})
set(OMBRIX_NEXT_MSI ${OMBRIX_PACKAGE_DIR}/upgrade-test/Ombrix-${OMBRIX_NEXT_VERSION}-x64.msi)
ombrix_msi(${PROJECT_VERSION} ${OMBRIX_MSI})
ombrix_msi(${OMBRIX_NEXT_VERSION} ${OMBRIX_NEXT_MSI})

set(zipped ${OMBRIX_PACKAGE_DIR}/zip)
add_custom_command(OUTPUT ${OMBRIX_ZIP}
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${zipped}/policy/en-US
                   COMMAND ${CMAKE_COMMAND} -E copy ${OMBRIX_EXE} ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE ${zipped}
                   COMMAND ${CMAKE_COMMAND} -E copy ${OMBRIX_ADMX} ${zipped}/policy
                   COMMAND ${CMAKE_COMMAND} -E copy ${OMBRIX_ADML} ${zipped}/policy/en-US
                   COMMAND ${CMAKE_COMMAND} -E chdir ${zipped} ${CMAKE_COMMAND} -E tar cf ${OMBRIX_ZIP} --format=zip
                           Ombrix.exe README.md LICENSE policy/Ombrix.admx policy/en-US/Ombrix.adml
                   DEPENDS Ombrix ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE ${OMBRIX_ADMX} ${OMBRIX_ADML}
                   COMMENT "Packaging ${OMBRIX_ZIP}")

# Part of every build, so that the tests always install what was just built.
add_custom_target(msi ALL DEPENDS ${OMBRIX_MSI} ${OMBRIX_ZIP} ${OMBRIX_NEXT_MSI})

# The template where the tests under Wine read it.
configure_file(${OMBRIX_ADMX} ${OMBRIX_DRIVE_C}/ombrix/policy/Ombrix.admx COPYONLY)
configure_file(${OMBRIX_ADML} ${OMBRIX_DRIVE_C}/ombrix/policy/en-US/Ombrix.adml COPYONLY)
