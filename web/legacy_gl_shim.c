/* Temporary, until the graphics' GLES 3 backend is in: the three OpenGL 1.x calls that
   emscripten's legacy GL emulation lacks, as calls that do nothing. */
void glPushAttrib(unsigned int mask) { (void)mask; }
void glPopAttrib(void) {}
void glGetTexImage(unsigned int target, int level, unsigned int format, unsigned int type, void* pixels)
{
    (void)target; (void)level; (void)format; (void)type; (void)pixels;
}
