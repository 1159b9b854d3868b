// The unit that carries the test programs' shared precompiled headers.
