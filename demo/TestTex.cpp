#include "demo/TestTex.h"

TestTex::TestTex() : App(1024, 650, "Vertex Shader") {
    rotating = 0;
    zooming = 0;
}

void TestTex::onInit() { App::onInit(); }
void TestTex::onDraw() { App::onDraw(); }
void TestTex::onMouseMove(int x, int y) { App::onMouseMove(x, y); }
void TestTex::onMouseDown(int x, int y, int button) { App::onMouseDown(x, y, button); }
void TestTex::onMouseUp(int x, int y, int button) { App::onMouseUp(x, y, button); }
void TestTex::drawViewport() {}
