# Compile options shared by every target of both builds: warnings are errors.
function(setup_compile_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror -Wshadow -Wconversion -Wno-sign-conversion)
endfunction()

if(SETUP_TARGET STREQUAL "native")
  # The test preset runs everything under AddressSanitizer and UBSan.
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
else()
  # setup.exe stays small and reproducible: no timestamps, no unwind tables
  # that it does not need, everything linked statically.
  add_compile_options(-ffunction-sections -fdata-sections -ffile-prefix-map=${CMAKE_SOURCE_DIR}=.)
  add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--no-insert-timestamp -Wl,--gc-sections -s)
endif()
