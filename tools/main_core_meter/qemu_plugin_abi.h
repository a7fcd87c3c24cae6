// The few entry points of qemu's TCG plugin interface (API level 1, as in
// Debian 12's qemu-user 7.2) that the main-core meter uses. Debian ships the
// emulator with plugin support but without the interface's header, so the
// declarations the meter relies on are written out here; the emulator
// resolves them from its own executable when it loads the plugin.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

using qemu_plugin_id_t = uint64_t;
using qemu_plugin_meminfo_t = uint32_t;

struct qemu_plugin_tb;
struct qemu_plugin_insn;

struct qemu_info_t {
    const char* target_name;
    struct {
        int min;
        int cur;
    } version;
    bool system_emulation;
    union {
        struct {
            int smp_vcpus;
            int max_vcpus;
        } system;
    };
};

enum qemu_plugin_cb_flags { QEMU_PLUGIN_CB_NO_REGS, QEMU_PLUGIN_CB_R_REGS, QEMU_PLUGIN_CB_RW_REGS };
enum qemu_plugin_mem_rw { QEMU_PLUGIN_MEM_R = 1, QEMU_PLUGIN_MEM_W, QEMU_PLUGIN_MEM_RW };

using qemu_plugin_udata_cb_t = void (*)(qemu_plugin_id_t id, void* userdata);
using qemu_plugin_vcpu_udata_cb_t = void (*)(unsigned int vcpu_index, void* userdata);
using qemu_plugin_vcpu_tb_trans_cb_t = void (*)(qemu_plugin_id_t id, qemu_plugin_tb* tb);
using qemu_plugin_vcpu_mem_cb_t = void (*)(unsigned int vcpu_index, qemu_plugin_meminfo_t info,
                                           uint64_t vaddr, void* userdata);
using qemu_plugin_vcpu_syscall_cb_t = void (*)(qemu_plugin_id_t id, unsigned int vcpu_index,
                                               int64_t num, uint64_t a1, uint64_t a2, uint64_t a3,
                                               uint64_t a4, uint64_t a5, uint64_t a6, uint64_t a7,
                                               uint64_t a8);
using qemu_plugin_vcpu_syscall_ret_cb_t = void (*)(qemu_plugin_id_t id, unsigned int vcpu_idx,
                                                   int64_t num, int64_t ret);

void qemu_plugin_register_vcpu_tb_trans_cb(qemu_plugin_id_t id, qemu_plugin_vcpu_tb_trans_cb_t cb);
void qemu_plugin_register_vcpu_tb_exec_cb(qemu_plugin_tb* tb, qemu_plugin_vcpu_udata_cb_t cb,
                                          qemu_plugin_cb_flags flags, void* userdata);
void qemu_plugin_register_vcpu_mem_cb(qemu_plugin_insn* insn, qemu_plugin_vcpu_mem_cb_t cb,
                                      qemu_plugin_cb_flags flags, qemu_plugin_mem_rw rw,
                                      void* userdata);
void qemu_plugin_register_vcpu_syscall_cb(qemu_plugin_id_t id, qemu_plugin_vcpu_syscall_cb_t cb);
void qemu_plugin_register_vcpu_syscall_ret_cb(qemu_plugin_id_t id,
                                              qemu_plugin_vcpu_syscall_ret_cb_t cb);
void qemu_plugin_register_atexit_cb(qemu_plugin_id_t id, qemu_plugin_udata_cb_t cb,
                                    void* userdata);

size_t qemu_plugin_tb_n_insns(const qemu_plugin_tb* tb);
uint64_t qemu_plugin_tb_vaddr(const qemu_plugin_tb* tb);
qemu_plugin_insn* qemu_plugin_tb_get_insn(const qemu_plugin_tb* tb, size_t idx);
uint64_t qemu_plugin_insn_vaddr(const qemu_plugin_insn* insn);

unsigned int qemu_plugin_mem_size_shift(qemu_plugin_meminfo_t info);
bool qemu_plugin_mem_is_store(qemu_plugin_meminfo_t info);

void qemu_plugin_outs(const char* string);

} // extern "C"
