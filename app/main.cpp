#include "app/Process.h"
#include "demo/TestTex.h"

int main(int, char **) {
    setUpProcess();
    TestTex app;
    app.run();
    return 0;
}
