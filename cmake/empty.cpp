// Placeholder so that a library whose folder has no sources yet still builds.
namespace vorel_empty_library {}
