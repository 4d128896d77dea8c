// fontconfig parses its configuration once and keeps parts of it until the process ends without a
// reference the leak checker can see; those blocks are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
