// The application framework with nothing overridden: the window, its combo box, the GL
// view and the default frame.
#include "app/App.h"

int main() {
    App app(1024, 650, "Vertex Shader");
    app.run();
    return 0;
}
