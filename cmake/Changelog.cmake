# The release history in CHANGELOG.md, read once at configure time:
#   ## VERSION (YYYY-MM-DD)
#   - a change, continued on lines
#     indented by two spaces
# It gives the package's Debian changelog (${TARVIX_DEBIAN_CHANGELOG}) and
# the <release> elements of the AppStream metadata (TARVIX_RELEASES_XML),
# and the years of the releases for the copyright notice
# (TARVIX_COPYRIGHT_YEARS: "2026" or "2026-2028").
# The newest release must be the project's version, so that a new version
# never ships without its entry.

# Writes a generated file only when its text changed, so that what is made
# from it is not made again on every configure.
function(tarvix_write_if_changed path text)
  file(WRITE ${path}.new "${text}")
  configure_file(${path}.new ${path} COPYONLY)
  file(REMOVE ${path}.new)
endfunction()

function(tarvix_read_changelog changelog maintainer debian_out)
  file(READ ${changelog} text)
  # Each line one list element; a ';' in the text must not split it.
  string(REPLACE ";" "<semicolon>" text "${text}")
  string(REPLACE "\n" ";" lines "${text}")

  set(versions "")
  set(current "")
  set(item "")
  macro(end_item)
    if(NOT current STREQUAL "" AND NOT item STREQUAL "")
      math(EXPR n "${rel_items_${current}} + 1")
      set(rel_items_${current} ${n})
      set(rel_item_${current}_${n} "${item}")
    endif()
    set(item "")
  endmacro()
  foreach(line IN LISTS lines)
    if(line MATCHES "^## ([0-9][0-9A-Za-z.~+-]*) \\(([0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9])\\)$")
      end_item()
      set(current ${CMAKE_MATCH_1})
      list(APPEND versions ${current})
      set(rel_date_${current} ${CMAKE_MATCH_2})
      set(rel_items_${current} 0)
    elseif(current STREQUAL "")
      # The text above the first release.
    elseif(line MATCHES "^- (.*)$")
      end_item()
      set(item "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^  +(.*)$" AND NOT item STREQUAL "")
      string(APPEND item "\n${CMAKE_MATCH_1}")
    elseif(NOT line STREQUAL "")
      message(FATAL_ERROR "${changelog}: not a release heading nor a list item: ${line}")
    endif()
  endforeach()
  end_item()

  list(LENGTH versions count)
  if(count EQUAL 0)
    message(FATAL_ERROR "${changelog}: no release (## VERSION (YYYY-MM-DD))")
  endif()
  list(GET versions 0 newest)
  if(NOT newest STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "${changelog}: the newest release is ${newest}, the project's version ${PROJECT_VERSION}:"
                        " add the entry for ${PROJECT_VERSION}")
  endif()

  set(debian "")
  set(xml "")
  foreach(v IN LISTS versions)
    if(rel_items_${v} EQUAL 0)
      message(FATAL_ERROR "${changelog}: release ${v} lists no change")
    endif()
    # Debian wants the date as in RFC 5322, in English.
    execute_process(COMMAND env LC_ALL=C date -u -R -d "${rel_date_${v}} 12:00 UTC"
                    OUTPUT_VARIABLE when OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "${changelog}: bad date ${rel_date_${v}} of release ${v}")
    endif()
    string(APPEND debian "tarvix (${v}) unstable; urgency=medium\n\n")
    string(APPEND xml "    <release version=\"${v}\" date=\"${rel_date_${v}}\">\n"
                      "      <description>\n        <ul>\n")
    foreach(i RANGE 1 ${rel_items_${v}})
      set(it "${rel_item_${v}_${i}}")
      string(REPLACE "`" "" it "${it}")
      string(REPLACE "\n" "\n    " deb_item "${it}")
      string(APPEND debian "  * ${deb_item}\n")
      string(REPLACE "&" "&amp;" x "${it}")
      string(REPLACE "<" "&lt;" x "${x}")
      string(REPLACE ">" "&gt;" x "${x}")
      string(REPLACE "&lt;semicolon&gt;" ";" x "${x}")
      string(REPLACE "\n" " " x "${x}")
      string(APPEND xml "          <li>${x}</li>\n")
    endforeach()
    string(APPEND debian "\n -- ${maintainer}  ${when}\n\n")
    string(APPEND xml "        </ul>\n      </description>\n    </release>\n")
  endforeach()
  string(REPLACE "<semicolon>" ";" debian "${debian}")
  string(STRIP "${debian}" debian)
  tarvix_write_if_changed(${debian_out} "${debian}\n")
  string(REGEX REPLACE "\n$" "" xml "${xml}")
  set(TARVIX_RELEASES_XML "${xml}" PARENT_SCOPE)
  list(GET versions -1 oldest)
  string(SUBSTRING "${rel_date_${oldest}}" 0 4 first)
  string(SUBSTRING "${rel_date_${newest}}" 0 4 last)
  if(first STREQUAL last)
    set(TARVIX_COPYRIGHT_YEARS ${first} PARENT_SCOPE)
  else()
    set(TARVIX_COPYRIGHT_YEARS ${first}-${last} PARENT_SCOPE)
  endif()
endfunction()
