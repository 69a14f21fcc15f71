#include "demo/TestTex.h"

int main(int, char **) {
    TestTex app;
    app.run();
    return 0;
}
