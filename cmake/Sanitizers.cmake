# AddressSanitizer and UndefinedBehaviorSanitizer for the whole build, halting on the first report.
if(VELTA_SANITIZE)
  target_compile_options(velta_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -O1 -g)
  target_link_options(velta_options INTERFACE -fsanitize=address,undefined)
endif()
