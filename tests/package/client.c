/* A program of someone else's, built by tools/package.sh --check against the installed
 * libcg-dev (pkg-config cgGL, or CMake's find_package(Cg)): compiles a one-line fragment
 * program and prints the first line of its assembly. No GL context is needed for that. */
#include <Cg/cg.h>
#include <Cg/cgGL.h>
#include <stdio.h>
#include <string.h>

int main(void) {
    CGcontext context = cgCreateContext();
    CGprogram program = cgCreateProgram(context, CG_SOURCE, "float4 main(float4 c : COLOR0) : COLOR { return c; }",
                                        CG_PROFILE_ARBFP1, "main", NULL);
    const char *text = program ? cgGetProgramString(program, CG_COMPILED_PROGRAM) : NULL;
    if (!text) {
        fprintf(stderr, "client: %s\n", cgGetErrorString(cgGetError()));
        return 1;
    }
    /* cgGL links too: without a GL context no profile is supported. */
    printf("%.*s\n%s\n", (int)strcspn(text, "\n"), text,
           cgGLIsProfileSupported(CG_PROFILE_ARBFP1) ? "supported" : "no GL context");
    cgDestroyContext(context);
    return 0;
}
