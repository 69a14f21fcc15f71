// The scene every viewport shows: a cube, a floor grid and three axes under the camera.
#pragma once

void drawScene();
void applyCamera(float x, float y, float z, int pitch, int yaw);
void drawCube();
void drawGrid();
void drawAxes();
void printModelviewMatrix();

extern float cubeVertices[8][3];
extern const unsigned short cubeFaces[6][4];
extern const float cubeNormals[6][3];
extern const float cubeTexCoords[4][2];
