// GTK and the libraries under it keep memory for the life of the process
// (type system, the accessibility bus connection, font caches); the leak
// checker of sanitised builds is told to pass over those.  The program's own
// allocations are still checked.

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libgobject-2.0.so\n"
           "leak:libgio-2.0.so\n"
           "leak:libgtk-3.so\n"
           "leak:libgdk-3.so\n"
           "leak:libatk-bridge-2.0.so\n"
           "leak:libatspi.so\n"
           "leak:libfontconfig.so\n"
           "leak:libpango\n"
           "leak:libcairo.so\n"
           "leak:libX11.so\n"
           "leak:libSDL2\n";
}
