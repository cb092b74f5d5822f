/*
 * resblob.cpp - the compiled resources, placed in the executable between
 * the two symbols where the platform's resource reader looks for them.
 */
asm(".section .rodata\n"
    ".balign 16\n"
    ".globl plat_module_res_begin\n"
    ".type plat_module_res_begin, @object\n"
    "plat_module_res_begin:\n"
    ".incbin \"" TONBROOK_RES_FILE "\"\n"
    ".globl plat_module_res_end\n"
    ".type plat_module_res_end, @object\n"
    "plat_module_res_end:\n"
    ".previous\n");
