/*
 * resblob.cpp - the compiled resources in the WebAssembly module's data,
 * between the two symbols where the platform's resource reader looks for
 * them. WebAssembly's assembler wants each data symbol's size.
 */
asm(".section .rodata.plat_module_res,\"\",@\n"
    ".p2align 4\n"
    ".globl plat_module_res_begin\n"
    "plat_module_res_begin:\n"
    ".incbin \"" TONBROOK_RES_FILE "\"\n"
    ".globl plat_module_res_end\n"
    "plat_module_res_end:\n"
    ".size plat_module_res_begin, plat_module_res_end - plat_module_res_begin\n"
    ".size plat_module_res_end, 0\n"
    ".text\n");
