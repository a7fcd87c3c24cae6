# Refuses a second-core program that links what has no place on a core
# without an operating system: an allocator (unless ALLOW_HEAP is set while
# the renderer core still needs one), floating point in hardware registers
# is excluded by the flags, system calls the C library would make, and C++
# exception unwinding.
# Usage: cmake -DNM=... -DELF=... [-DALLOW_HEAP=ON] -P check_no_os.cmake
execute_process(COMMAND ${NM} ${ELF} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot list the symbols of ${ELF}")
endif()
set(forbidden _write _read _open _close _lseek _fstat _isatty _kill _getpid _exit __cxa_throw _Unwind_RaiseException)
if(NOT ALLOW_HEAP)
  list(APPEND forbidden malloc free _sbrk _malloc_r _free_r)
endif()
set(found "")
foreach(name IN LISTS forbidden)
  if(symbols MATCHES "[0-9a-f]+ [TtWw] ${name}\n")
    list(APPEND found ${name})
  endif()
endforeach()
if(found)
  message(FATAL_ERROR "${ELF} links ${found}, which a program without an operating system must not")
endif()
