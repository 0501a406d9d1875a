// Keeps the support library non-empty while it has no helpers of its own.
namespace sp_testsupport_anchor {
int anchor = 0;
}
