# cmake -DPNG=<file> -P check_png_size.cmake: fails unless <file> is a PNG of 256 by 256
# pixels. The width and height are the big-endian words after the signature and the
# IHDR chunk's length and type.
if(NOT EXISTS "${PNG}")
  message(FATAL_ERROR "no icon at '${PNG}' (rsvg-convert missing? run scripts/setup)")
endif()
file(READ "${PNG}" head LIMIT 24 HEX)
string(SUBSTRING "${head}" 0 16 signature)
string(SUBSTRING "${head}" 24 8 type)
string(SUBSTRING "${head}" 32 16 size)
if(NOT signature STREQUAL "89504e470d0a1a0a" OR NOT type STREQUAL "49484452")
  message(FATAL_ERROR "${PNG} is no PNG: ${head}")
endif()
if(NOT size STREQUAL "0000010000000100")
  message(FATAL_ERROR "${PNG} is not 256 x 256: width and height ${size}")
endif()
