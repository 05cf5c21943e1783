// An empty Qt dialog, shown and painted: says "shown", then ends. bench_startup times it.
#include <QApplication>
#include <QDialog>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.show();
    dialog.repaint();
    std::printf("shown\n");
    std::fflush(stdout);
    return 0;
}
