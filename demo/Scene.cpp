#include "demo/Scene.h"

#include "app/Trace.h"
#include "demo/TestTex.h"

#include <cstdio>

float cubeVertices[8][3];

const unsigned short cubeFaces[6][4] = {
    {0, 1, 2, 3}, {4, 5, 6, 7}, {1, 5, 6, 2}, {4, 0, 3, 7}, {4, 5, 1, 0}, {3, 2, 6, 7},
};

const float cubeNormals[6][3] = {
    {0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}, {0, -1, 0}, {0, 1, 0},
};

const float cubeTexCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};

namespace {

bool cubeVerticesFilled = false;

void fillCubeVertices() {
    const float h = 50.0f;  // half the edge
    const float corners[8][3] = {
        {-h, -h, h}, {h, -h, h}, {h, h, h}, {-h, h, h},
        {-h, -h, -h}, {h, -h, -h}, {h, h, -h}, {-h, h, -h},
    };
    for (int i = 0; i < 8; ++i)
        for (int c = 0; c < 3; ++c) cubeVertices[i][c] = corners[i][c];
}

void cameraFromDrag() {
    applyCamera(0.0f, 0.0f, (float)(500 - dragZoom), dragPitch, dragYaw);
}

}  // namespace

void applyCamera(float x, float y, float z, int pitch, int yaw) {
    glTranslatef(-x, -y, -z);
    glRotatef((float)-pitch, 1.0f, 0.0f, 0.0f);
    glRotatef((float)-yaw, 0.0f, 1.0f, 0.0f);
}

void drawScene() {
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHT0);
    glDisable(GL_CULL_FACE);
    glDisable(GL_TEXTURE_2D);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    cameraFromDrag();
    glEnable(GL_TEXTURE_2D);
    drawCube();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);

    glLoadIdentity();
    cameraFromDrag();
    drawGrid();
    // The axes stay visible where the cube covers them.
    glDisable(GL_DEPTH_TEST);
    drawAxes();

    // The same rotation and translation in both orders, for comparison on the console.
    glLoadIdentity();
    glRotatef(45.0f, 0.0f, 1.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, 1.0f);
    printModelviewMatrix();
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, 1.0f);
    glRotatef(45.0f, 0.0f, 1.0f, 0.0f);
    printModelviewMatrix();
}

// The grid and the axes drawn after the cube rely on the mvp set here.
void drawCube() {
    if (!cubeVerticesFilled) {
        cubeVerticesFilled = true;
        fillCubeVertices();
    }
    CGparameter mvp = cgGetNamedParameter(vertexProgram, "mvp");
    cgGLSetStateMatrixParameter(mvp, CG_GL_MODELVIEW_PROJECTION_MATRIX, CG_GL_MATRIX_IDENTITY);

    glBegin(GL_QUADS);
    for (int i = 0; i < 6; ++i) {
        glColor4f(1.0f, 0.0f, 1.0f, 1.0f);
        glNormal3fv(cubeNormals[i]);
        for (int j = 0; j < 4; ++j) {
            int k = cubeFaces[i][j];
            trace("%d ", k);
            glTexCoord2fv(cubeTexCoords[j]);
            if (pglMultiTexCoord2fv) pglMultiTexCoord2fv(GL_TEXTURE1, cubeTexCoords[j]);
            glVertex3fv(cubeVertices[k]);
        }
        trace("\n");
    }
    glEnd();
}

void drawGrid() {
    const int lineCount = 10, size = 500;
    const int half = size / 2, spacing = size / lineCount;
    glColor4f(0.7f, 0.7f, 0.7f, 1.0f);
    glBegin(GL_LINES);
    for (int i = 0; i <= lineCount; ++i) {
        glVertex3f((float)-half, 0.0f, (float)(-half + spacing * i));
        glVertex3f((float)half, 0.0f, (float)(-half + spacing * i));
    }
    for (int i = 0; i <= lineCount; ++i) {
        glVertex3f((float)(-half + spacing * i), 0.0f, (float)-half);
        glVertex3f((float)(-half + spacing * i), 0.0f, (float)half);
    }
    glEnd();
}

void drawAxes() {
    const float length = 300.0f;
    glBegin(GL_LINES);
    glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(length, 0.0f, 0.0f);
    glColor4f(0.0f, 1.0f, 0.0f, 1.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, length, 0.0f);
    glColor4f(0.0f, 0.0f, 1.0f, 1.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, length);
    glEnd();
}

// Rows of the mathematical matrix; GL keeps it column by column.
void printModelviewMatrix() {
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    trace("%f %f %f %f\n%f %f %f %f\n%f %f %f %f\n%f %f %f %f\n", (double)m[0], (double)m[4],
           (double)m[8], (double)m[12], (double)m[1], (double)m[5], (double)m[9], (double)m[13],
                (double)m[2], (double)m[6], (double)m[10], (double)m[14], (double)m[3], (double)m[7],
                (double)m[11], (double)m[15]);
}
