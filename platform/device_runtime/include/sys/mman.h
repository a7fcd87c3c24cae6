/* Memory mapping on ARM Linux, for programs linked with the device runtime
   (the C library has no header of its own for it). */
#ifndef DEVICE_RUNTIME_SYS_MMAN_H
#define DEVICE_RUNTIME_SYS_MMAN_H

#include <sys/types.h>

#define PROT_NONE 0
#define PROT_READ 1
#define PROT_WRITE 2
#define PROT_EXEC 4

#define MAP_SHARED 0x01
#define MAP_PRIVATE 0x02
#define MAP_FIXED 0x10
#define MAP_ANONYMOUS 0x20

#define MAP_FAILED ((void*)-1)

#ifdef __cplusplus
extern "C" {
#endif

void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset);
int munmap(void* address, size_t length);

#ifdef __cplusplus
}
#endif

#endif
