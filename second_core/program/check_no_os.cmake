# Refuses a second-core program that links what has no place on a core
# without an operating system: an allocator, the system calls the C library
# would make, C++ exception unwinding, and floating point (the second core
# has no floating-point unit; the renderer core is integer only).
# Usage: cmake -DNM=... -DELF=... -P check_no_os.cmake
execute_process(COMMAND ${NM} ${ELF} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot list the symbols of ${ELF}")
endif()
set(forbidden malloc free calloc realloc _sbrk _malloc_r _free_r
    _write _read _open _close _lseek _fstat _isatty _kill _getpid _exit
    __cxa_throw _Unwind_RaiseException
    __aeabi_dadd __aeabi_dmul __aeabi_ddiv __aeabi_fadd __aeabi_fmul __aeabi_fdiv
    __aeabi_i2d __aeabi_d2iz __aeabi_l2d __aeabi_d2lz __aeabi_ui2d __aeabi_f2d)
set(found "")
foreach(name IN LISTS forbidden)
  if(symbols MATCHES "[0-9a-f]+ [TtWw] ${name}\n")
    list(APPEND found ${name})
  endif()
endforeach()
if(found)
  message(FATAL_ERROR "${ELF} links ${found}, which a program without an operating system must not")
endif()
