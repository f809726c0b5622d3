# Every target links quillarc_settings: the language level, warnings and
# sanitizer flags live here and nowhere else.
add_library(quillarc_settings INTERFACE)
target_compile_features(quillarc_settings INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_options(quillarc_settings INTERFACE -Wall -Wextra -Wpedantic -Wshadow=local)
if(QUILLARC_WERROR)
  # GCC 12 reports maybe-uninitialized and restrict falsely at -O2 and -O3
  # inside inlined standard-library code; they stay warnings.
  target_compile_options(quillarc_settings INTERFACE -Werror -Wno-error=maybe-uninitialized -Wno-error=restrict)
endif()
target_compile_definitions(quillarc_settings INTERFACE _FILE_OFFSET_BITS=64 QT_NO_KEYWORDS)

# Qt's safety settings for the program's own Qt code (linked PRIVATE by its
# targets, so tests may still write plain literals): no silent conversions
# between 8-bit text and QString or QByteArray (every text says which
# encoding it is in), no narrowing in signal-slot connections.
add_library(quillarc_qt_strict INTERFACE)
target_compile_definitions(quillarc_qt_strict INTERFACE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII
                           QT_NO_CAST_FROM_BYTEARRAY QT_NO_URL_CAST_FROM_STRING
                           QT_NO_NARROWING_CONVERSIONS_IN_CONNECT QT_NO_FOREACH)
if(QUILLARC_SANITIZE_THREAD)
  target_compile_options(quillarc_settings INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(quillarc_settings INTERFACE -fsanitize=thread)
endif()
if(QUILLARC_SANITIZE)
  target_compile_options(quillarc_settings INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(quillarc_settings INTERFACE -fsanitize=address,undefined)
endif()

# Collects the sources and headers of one source folder. Headers are listed
# too so that a new Q_OBJECT header is seen by moc without a fresh configure.
function(quillarc_sources out dir)
  file(GLOB_RECURSE found CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  set(${out} ${found} PARENT_SCOPE)
endfunction()
