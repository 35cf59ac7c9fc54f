#include "app/gaugery_app.h"

int main(int argc, char* argv[])
{
    GaugeryApp app(argc, argv);
    return app.run();
}
