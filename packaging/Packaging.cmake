# Debian packages through CPack (`make package`): tessarim, the command line,
# which needs no desktop library, and tessarim-desktop, the bar with its menu
# entries, icons, help and AppStream data.

# Each package carries its copyright file and a changelog, as Debian wants.
execute_process(
  COMMAND date -u -R -d ${TESSARIM_RELEASE_DATE}
  OUTPUT_VARIABLE changelog_date
  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
set(packages tessarim)
if(TESSARIM_DESKTOP)
  list(APPEND packages tessarim-desktop)
endif()
foreach(package ${packages})
  set(doc ${CMAKE_BINARY_DIR}/packaging/${package})
  configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${doc}/copyright @ONLY)
  file(WRITE ${doc}/changelog
       "${package} (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
       "  * Release ${PROJECT_VERSION}.\n\n"
       " -- ${TESSARIM_MAINTAINER}  ${changelog_date}\n")
  execute_process(COMMAND gzip -9nf ${doc}/changelog COMMAND_ERROR_IS_FATAL ANY)
  if(package STREQUAL "tessarim")
    set(component tessarim)
  else()
    set(component desktop)
  endif()
  install(FILES ${doc}/copyright ${doc}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/${package}.lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${package}
          COMPONENT ${component})
endforeach()

# The licence asks that its NOTICE travel with the programs.
install(FILES ${PROJECT_SOURCE_DIR}/NOTICE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tessarim
        COMPONENT tessarim)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessarim)
set(CPACK_PACKAGE_VENDOR "The Tessarim developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TESSARIM_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Test programs and benchmarks install nothing; only these two go into packages.
set(CPACK_COMPONENTS_ALL tessarim)
if(TESSARIM_DESKTOP)
  list(APPEND CPACK_COMPONENTS_ALL desktop)
endif()
set(CPACK_DEB_COMPONENT_INSTALL ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${TESSARIM_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SECTION text)

set(CPACK_DEBIAN_TESSARIM_PACKAGE_NAME tessarim)
set(CPACK_COMPONENT_TESSARIM_DESCRIPTION
    "Chinese text converter between GBK, Big5 and Unicode
Tessarim converts text files between the Chinese code pages GBK and Big5
and UTF-8, UTF-16LE and UTF-16BE, optionally changing Simplified characters
to Traditional ones or back. Correction tables put right the phrases a
character-by-character conversion gets wrong; the input code is detected
when it is not given, and HTML charset declarations are rewritten.
.
This package holds the command-line program, which needs no display.")
set(CPACK_DEBIAN_TESSARIM_PACKAGE_SUGGESTS tessarim-desktop)

set(CPACK_DEBIAN_DESKTOP_PACKAGE_NAME tessarim-desktop)
set(CPACK_COMPONENT_DESKTOP_DESCRIPTION
    "Chinese text converter between GBK, Big5 and Unicode - desktop bar
Tessarim converts Chinese text between the code pages GBK and Big5 and
Unicode, and changes Simplified characters to Traditional ones or back.
.
This package holds the desktop program: a bar docked at an edge of the
screen, with a tray icon, whose buttons convert the text on the clipboard.
It needs an X11 session or XWayland.")
set(CPACK_DEBIAN_DESKTOP_PACKAGE_SECTION x11)
# The tessarim command without arguments starts the bar; both share the tables.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_DEPENDS "tessarim (= ${PROJECT_VERSION})")
# Qt finds themed icons through the hicolor theme's index; without it the window
# and tray show the built-in picture.
set(CPACK_DEBIAN_DESKTOP_PACKAGE_RECOMMENDS hicolor-icon-theme)

include(CPack)
