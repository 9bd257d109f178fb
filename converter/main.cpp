// Entry point of the ostrane program.
int main() {
    return 0;
}
