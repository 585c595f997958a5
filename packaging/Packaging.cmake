# Files the installation makes from packaging/: the AppStream metadata with
# the current release, and the gzip-compressed manual pages and changelog
# that Debian expects. They land in ${VH_PACKAGING_DIR}.
set(VH_PACKAGING_DIR ${CMAKE_BINARY_DIR}/packaging)
set(vh_packaging_src ${CMAKE_SOURCE_DIR}/packaging)

# The newest changelog entry names the release: it must be the project's
# version, and its date becomes the AppStream release date. A version bump
# without an entry stops here rather than shipping a package whose changelog
# and metadata name another release.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${vh_packaging_src}/changelog)
file(STRINGS ${vh_packaging_src}/changelog vh_changelog_heads REGEX "^varnholt-radio \\(")
file(STRINGS ${vh_packaging_src}/changelog vh_changelog_signatures REGEX "^ -- ")
list(GET vh_changelog_heads 0 vh_head)
list(GET vh_changelog_signatures 0 vh_signature)
string(REGEX MATCH "^varnholt-radio \\(([^)]+)\\)" vh_match "${vh_head}")
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "packaging/changelog: the newest entry is for ${CMAKE_MATCH_1}, but the project's "
                        "version is ${PROJECT_VERSION}; add an entry for ${PROJECT_VERSION}")
endif()
# " -- Name <mail>  Tue, 08 Dec 2026 07:00:00 +0000"
if(NOT vh_signature MATCHES ">  [A-Z][a-z][a-z], ([0-9][0-9]?) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    message(FATAL_ERROR "packaging/changelog: the newest entry's signature line has no date: ${vh_signature}")
endif()
set(vh_day ${CMAKE_MATCH_1})
set(vh_year ${CMAKE_MATCH_3})
set(vh_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND vh_months ${CMAKE_MATCH_2} vh_month)
if(vh_month LESS 0)
    message(FATAL_ERROR "packaging/changelog: unknown month ${CMAKE_MATCH_2} in ${vh_signature}")
endif()
math(EXPR vh_month "${vh_month} + 1")
string(LENGTH "${vh_day}" vh_len)
if(vh_len EQUAL 1)
    set(vh_day 0${vh_day})
endif()
if(vh_month LESS 10)
    set(vh_month 0${vh_month})
endif()
set(VH_RELEASE_DATE ${vh_year}-${vh_month}-${vh_day})

# AppStream wants a reverse-DNS id, the project's domain turned round. The
# file keeps the package's name, varnholt-radio.metainfo.xml, which software
# centres and packagers look for beside the desktop entry of the same name.
set(VH_APPSTREAM_ID example.varnholt_radio.varnholt_radio)
set(VH_METAINFO ${VH_PACKAGING_DIR}/varnholt-radio.metainfo.xml)
configure_file(${vh_packaging_src}/varnholt-radio.metainfo.xml.in ${VH_METAINFO} @ONLY)

# gzip -9n: best compression and no name or time stamp inside, so the same
# sources always give the same bytes.
find_program(VH_GZIP gzip REQUIRED)
set(vh_compressed)
foreach(name vhradio.1 varnholt-radio.1 changelog)
    add_custom_command(
        OUTPUT ${VH_PACKAGING_DIR}/${name}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${vh_packaging_src}/${name} ${VH_PACKAGING_DIR}/${name}
        COMMAND ${VH_GZIP} -9nf ${VH_PACKAGING_DIR}/${name}
        DEPENDS ${vh_packaging_src}/${name}
        VERBATIM)
    list(APPEND vh_compressed ${VH_PACKAGING_DIR}/${name}.gz)
endforeach()
add_custom_target(vh_packaging_files ALL DEPENDS ${vh_compressed})
