import Tessorin.Shell

// The application's window over the TessorinApp's model and quit controller, which
// main.cpp hands in.
MainWindow {}
