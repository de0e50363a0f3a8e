# Warnings and platform flags shared by every target of the project.
add_library(pmsi_options INTERFACE)
target_compile_options(pmsi_options INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wformat=2 -Wno-format-nonliteral)
if(PMSI_WERROR)
  # GCC 12's flow-based string warnings give false positives inside the
  # standard library at -O2 and above; they stay warnings.
  target_compile_options(pmsi_options INTERFACE -Werror
    -Wno-error=stringop-overread -Wno-error=stringop-overflow -Wno-error=restrict
    -Wno-error=array-bounds)
endif()
if(WIN32)
  # One self-contained binary per program: no MinGW runtime DLLs to ship.
  target_link_options(pmsi_options INTERFACE -static -static-libgcc -static-libstdc++)
  target_compile_definitions(pmsi_options INTERFACE __USE_MINGW_ANSI_STDIO=1)
endif()
