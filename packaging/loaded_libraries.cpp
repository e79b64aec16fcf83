// Loaded libraries (a program linked with the libraries ugraph opens on first use, for the
// package's Depends)
int main() {
    return 0;
}
