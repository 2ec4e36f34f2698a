# Warnings for the project's own targets: brelvox_warnings(target).
function(brelvox_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wcast-qual
                                           -Wformat=2 -Wimplicit-fallthrough)
  if(BRELVOX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
