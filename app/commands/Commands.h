// The application's command set: the six command modes with their command tables, the
// twelve application argument types, the help functions, the mode switches, and the
// handlers that load a theory, show its spectrum, answer questions about its modular
// data and show the Lie-algebra data of a single algebra.
//
// Registration happens once at start-up (initializeCommands, before the preferences are
// read); the parameter pointers are bound later in the same start-up
// (initializeCommandPointers, initializeCommandParameters). From then on the modes are
// switched only by enableModular, disableModular, enableCoset and disableCoset. The
// command set's mutable state (spectrum status, weight filter, work buffers) lives in one
// module record; resetCommands returns it to the state right after start-up.
//
// A handler takes the parameter words (typed parameters already converted; read them with
// intParameter) and their count, and returns minus the number of parameters consumed on
// success, a positive number on failure. Bad input gets its alert and the run goes on.
#pragma once

#include <string>

#include "interpreter/Interpreter.h"
#include "numbers/MathUtility.h"

struct SpectrumData;

// Program-wide values read by the table filters of the store and the tensor layer.
// The weight filter of "display weight" (numerator -1: none) and the massless-only switch
// of "display massless"; set only for the duration of one print.
extern int SelectedWeightNum;
extern int SelectedWeightDen;
extern int massless_only;
// Number of simple currents of the current theory (re-pointed with TotalPrimaries).
extern int* TotalCurrents;

// ---------------------------------------------------------------------------------------
// Start-up and state

// Once: the general commands, the application's argument types and the mode tables.
void initializeCommands();
// Binds "Maxrank" and attaches the help functions of the settings.
void initializeCommandPointers();
// Binds the parameters read by the command handlers.
void initializeCommandParameters();
// Tests only: the command set's own state back to right after start-up. The mode flags
// belong to the interpreter's reset; a test that needs the start-up modes also calls
// setCosetMode(0) and disableCoset() as the program does before its first command.
void resetCommands();

// The modes of the application (valid after initializeCommands).
Mode* getTensorMode();
Mode* getSingleAlgebraMode();
Mode* getHeteroticMode();
Mode* getModularMode();
Mode* getBoundaryMode();

// 0 no spectrum, 1 full spectrum with modular data, 2 massless tensor spectrum only,
// 3 simple-current tensor spectrum only.
int getSpectrumComputed();

// Makes a stored theory the current one (re-points TotalPrimaries and TotalCurrents).
void setCurrentTheory(SpectrumData* sd);

// ---------------------------------------------------------------------------------------
// Mode switches

// Forgets invariants, selection criteria and algebra requirements; modular and boundary
// modes off; no spectrum.
void disableModular();
// After a spectrum: modular and boundary modes on (unless the single theory has no
// modular data, which is only reported).
void enableModular();
// Tensor mode on; single-algebra, modular, boundary and heterotic modes off.
void enableCoset();
// Leaves tensor mode: single-algebra mode on, everything else off.
void disableCoset();
// Change action of "Graded" and "Use_orbits": drops modular data (with a notice when
// invariants were stored).
void disableModularVerbose();
// Activation function of the boundary mode: reports why it stays off.
int InitializeOpenStrings();

// ---------------------------------------------------------------------------------------
// Argument types: status 0 with a value, -1 with a range value..value2, or a positive
// code after an alert. The position is the parameter's index as the interpreter passes it.

ConversionResult CONV_getCurrent(const char* token, int position);
ConversionResult CONV_getfcur(const char* token, int position);
ConversionResult CONV_getffield(const char* token, int position);
ConversionResult CONV_getLabel(const char* token, int position);
ConversionResult CONV_getRoot(const char* token, int position);
ConversionResult CONV_getN_susy(const char* token, int position);
ConversionResult CONV_getlevel(const char* token, int position);
ConversionResult CONV_getradius(const char* token, int position);
ConversionResult CONV_getrank(const char* token, int position);
ConversionResult CONV_getdim(const char* token, int position);
ConversionResult CONV_getBound(const char* token, int position);
ConversionResult CONV_getIshibashi(const char* token, int position);
// The shared converter of the four label types: "*" (all of 0..total-1), "min:max", or
// one label (|value| < total with negatives allowed, else 0 <= value < total); `word`
// names the kind of label in the refusal.
ConversionResult convertToRange(const char* token, int total, int position, const char* word,
                                int rangesAllowed, int negativesAllowed);
// The largest value to which the rank and radius conversions raise "Maxrank".
inline constexpr int kMaxrankCap = 1000;

// ---------------------------------------------------------------------------------------
// Help functions (print through Print, lines indented by four blanks)

void HLP_minimal();
void HLP_types();
void HLP_algebra();
void HLP_restricted_spectrum();
void HLP_restore();
void HLP_newcol();
void HLP_susy();
void HLP_criteria();
void HLP_decomp();
void HLP_current();
void HLP_create();
void HLP_s();
void HLP_pmatrix();
void HLP_fusion();
void HLP_pfusion();
void HLP_twists();
void HLP_bulk();
void HLP_maxrank();
void HLP_graded();
void HLP_space_dim();
void HLP_super();
void HLP_use_orbits();
void HLP_store_s();
void HLP_store_s_fcft();
void HLP_compute();

// ---------------------------------------------------------------------------------------
// Handlers: theory selection and spectrum

int COM_algebra_single(char** params, int n);
// Loads the theory named by the keyword just before the parameters.
int COM_algebra(char** params, int n);
int COM_cft(char** params, int n);
// "algebra fcft": the fixed-point theory of a current of a stored CFT (currents 0..n-1).
int COM_fcft(char** params, int n);
// "get fcft": the fixed-point theory of a current of the current theory.
int COM_fcft2(char** params, int n);
int COM_get_fcftshift(char** params, int n);
int COM_findBasis(char** params, int n);
int COM_cc(char** params, int n);
int COM_indices(char** params, int n);
int COM_single(char** params, int n);
int COM_status(char** params, int n);
int COM_compute(char** params, int n);
int COM_compute_massless(char** params, int n);
int COM_compute_simple(char** params, int n);
int COM_display(char** params, int n);
int COM_display_massless(char** params, int n);
int COM_display_simple(char** params, int n);
int COM_display_weight(char** params, int n);
int COM_s(char** params, int n);
int COM_getrep(char** params, int n);
int COM_tot_prim(char** params, int n);
int COM_tot_cur(char** params, int n);
int COM_susic(char** params, int n);
int COM_val_grade(char** params, int n);

// Tensor mode: factors, currents, the chiral algebra, names and the Calabi-Yau table, and
// the simple-current queries of both modes.
int COM_tensor(char** params, int n);
int COM_reset(char** params, int n);
int COM_reset_currents(char** params, int n);
int COM_g(char** params, int n);
int COM_h(char** params, int n);
int COM_current(char** params, int n);
int COM_browse_chiral(char** params, int n);
int COM_browse_name(char** params, int n);
int COM_browse_stab(char** params, int n);
int COM_assign_extension(char** params, int n);
// "collect extensions" (1: without currents of weight 1) and "select extension".
int COM_collect_extensions(char** params, int n);
int COM_select_extension(char** params, int n);
int COM_list_cy(char** params, int n);
// "build non_susy_cy" and "search tachyons": the tensor product of a minimal-model code
// with the graded D5 space-time factor, without a supersymmetry current; the second runs
// the tachyon projection search on it.
int COM_build_nonsusycy(char** params, int n);
int COM_search_tachyons(char** params, int n);
// "build cy": the same product with the supersymmetry current, its spectrum and all its
// simple-current invariants (stored).
int COM_build_cy(char** params, int n);
// The decimal code of the tensor product built last by "build non_susy_cy" or "build cy"
// ("UNDEFINED" before).
const std::string& getCurrentCY();
int COM_check_simple(char** params, int n);
int COM_get_order(char** params, int n);
int COM_get_weight(char** params, int n);
int COM_get_charge(char** params, int n);
int COM_get_twist(char** params, int n);
int COM_get_conj(char** params, int n);
int COM_check_conj(char** params, int n);
int COM_browse_decomp(char** params, int n);
// Prints rows from..to-1 of the spectrum table in chunks of 10000, the header once.
void DisplaySelectedRange(int from, int to);

// Handlers: modular-data queries

int COM_pmatrix(char** params, int n);
int COM_fusion(char** params, int n);
int COM_pfusion(char** params, int n);
int COM_check_pmat(char** params, int n);
int COM_orbit(char** params, int n);
int COM_orbit_primaries(char** params, int n);
int COM_browse_fixed(char** params, int n);
int COM_simple_fusion(char** params, int n);
int COM_check_fusion(char** params, int n);
int COM_get_Schur(char** params, int n);
int COM_get_GenSchur(char** params, int n);
int COM_S_fix(char** params, int n);
int COM_check_orb(char** params, int n);
int COM_check_sym(char** params, int n);
int COM_check_fpconj(char** params, int n);
int COM_S_ola(char** params, int n);
int COM_fp_fusion(char** params, int n);
// "check modular" (unitarity and (ST)^3 = S^2) and "check unitarity" (rows a, columns b).
int COM_check_mod(char** params, int n);
int COM_check_unit(char** params, int n);

// Handlers: new theories from the current one, comparison, identification, origins and
// characters ("create permutation", "create complement", "create center", "Check
// Compare_algebras", "identify", "read characters", "browse characters", "browse origin")
int COM_build_perm(char** params, int n);
int COM_build_compl(char** params, int n);
int COM_create_center(char** params, int n);
int COM_compare_alg(char** params, int n);
int COM_identify(char** params, int n);
int COM_load_char(char** params, int n);
int COM_browse_char(char** params, int n);
int COM_browse_origin(char** params, int n);

// Handlers: Lie-algebra and Weyl-group commands

int COM_weyl(char** params, int n);
int COM_weylorbit(char** params, int n);
int COM_dynkinweylsignorbit(char** params, int n);
int COM_weylGroup(char** params, int n);
int COM_weylOrder(char** params, int n);
int COM_weylmult(char** params, int n);
int COM_check_class(char** params, int n);
int COM_expand(char** params, int n);

// ---------------------------------------------------------------------------------------
// Queries: simple currents, eta phases and twists, Lie and CFT summaries, table columns,
// S sums and S traces

// Texts of the twists 0..3 (powers of i), indexed by the twist plus one: "UNDEF" for -1.
extern const char* const etastringstore[5];
// The text of a twist; "UNDEF" for anything outside -1..3.
const char* twistText(int t);
// Writes the root of unity exp(2 pi i eta) into text, padded with blanks to exactly width
// characters plus the terminating zero (text must hold width + 1 characters); returns the
// end of the text. " 1", "-1", " i", "-i", else "d^n" when it fits, else "***".
char* etaStr(char* text, Rat eta, int width);
std::string etaString(Rat eta, int width);
// Code of G = eta_J + eta_K - eta_JK (mod 1) as a power of i: 0 for G = 0, 2 for G = 1/2;
// any other G is strange (code 1).
int etaTwistCode(Rat G, bool* strange);
// F/G as a power of i: (F - G code) mod 4.
int twistRatioCode(int F, int Gcode);

int COM_browse_alg(char** params, int n);
int COM_display_entry(char** params, int n);
int COM_browse_twist(char** params, int n);
int COM_browse_simple(char** params, int n);
int COM_browse_eta(char** params, int n);
int COM_checkEtaRelation(char** params, int n);
int COM_browse_spin1(char** params, int n);
int COM_browse_cft(char** params, int n);
int COM_etatwist(char** params, int n);
int COM_check_twist_eta(char** params, int n);
int COM_check_twist_definition(char** params, int n);
int COM_check_twist_all(char** params, int n);
int COM_check_twist_prod(char** params, int n);
int COM_trace_s(char** params, int n);
int COM_newcol(char** params, int n);
int COM_restore(char** params, int n);
int COM_suppress(char** params, int n);
int COM_check_branch(char** params, int n);
int COM_browse_Lorentz(char** params, int n);
int COM_check_susy(char** params, int n);
int COM_custom_perm(char** params, int n);
int COM_Cartan(char** params, int n);
int COM_browse_data(char** params, int n);
int COM_set_texstring(char** params, int n);
int COM_raws(char** params, int n);
int COM_getdim(char** params, int n);
int COM_grade(char** params, int n);
int COM_S_sum(char** params, int n);

// Handlers: Galois and scale orbits ("compute galois_orbits", "compute scale_orbits")

int COM_compute_galois(char** params, int n);
int COM_compute_scale(char** params, int n);
// "search galois_invariants": always succeeds (the search reports its own failures).
int COM_compute_galoisinvariants(char** params, int n);

// Handlers: typed, named and built-in invariants and the automorphism searches ("select
// invariant", "check invariant", "select exceptional_invariant", "search MIPF automorphism",
// "search MIPF built_in")
int COM_select_invariant(char** params, int n);
int COM_check_invariant(char** params, int n);
int COM_set_exceptional(char** params, int n);
int COM_find_auto(char** params, int n);
int COM_find_inv(char** params, int n);
// "search MIPF": every search in turn; "Scan Simple_current_invariants", "Scan Invariants"
// (MIPF numbers) and "collect simple_current_invariants": runs of the simple-current builder.
int COM_find_all_inv(char** params, int n);
int COM_scan_sim(char** params, int n);
int COM_scan_MIPFloop(char** params, int n);
int COM_load_sim(char** params, int n);
// Makes the named, numbered or typed invariant current: 0 when it was found or accepted.
// A number beyond the complete collection is refused; a name or number that is not found
// (or fails the selection criteria) makes the diagonal invariant current.
int select_invariant(const char* text);

// Handler: "Browse permutations" (the symmetries of the current theory acting on its
// simple currents)
int COM_symmetrize(char** params, int n);
int COM_create(char** params, int n);

// Handlers: the bulk invariant store ("total invariants", "reset invariants", "store",
// "browse invariants")
int COM_tot_inv(char** params, int n);
// Boundary mode
int COM_tot_ishi(char** params, int n);
int COM_tot_bnd(char** params, int n);
int COM_reflection(char** params, int n);
int COM_crosscoeff(char** params, int n);
int COM_NIMrep(char** params, int n);
int COM_bfus(char** params, int n);
int COM_browse_bound(char** params, int n);
int COM_browse_bound_det(char** params, int n);
int COM_browse_boundary_orbit(char** params, int n);
int COM_browse_Ishibashi_orbit(char** params, int n);
int COM_browse_ishibashi(char** params, int n);
int COM_check_complete(char** params, int n);
int COM_check_reflection(char** params, int n);
int COM_check_open_oriented(char** params, int n);
int COM_reset_crosscap(char** params, int n);
int COM_set_crosscap(char** params, int n);
int COM_crosssign(char** params, int n);
int COM_select_klein(char** params, int n);
int COM_select_klein_nr(char** params, int n);
int COM_reset_open(char** params, int n);
int COM_reset_invariants(char** params, int n);
int COM_store_bulk(char** params, int n);
int COM_list_inv(char** params, int n);

// Handlers: chiral-algebra extensions and extension invariants ("total extensions", "set
// require extension", "browse integral_spin", "check algebra", "search MIPF extension")
int COM_tot_ext(char** params, int n);
int COM_sel_extension(char** params, int n);
int COM_find_int(char** params, int n);
int COM_check_alg(char** params, int n);
int COM_find_ex(char** params, int n);

// Handlers: "conjugate" and "transpose" of the current or a stored bulk invariant
int COM_conj_bulk(char** params, int n);
int COM_transpose_bulk(char** params, int n);

// Handlers: choosing, combining and inspecting bulk invariants ("select diagonal_invariant",
// "select conjugation_invariant", "multiply", "multiply close", "multiply close display",
// "browse bulk_invariant", "browse MIPF")
int COM_reset_open(char** params, int n);
int COM_set_conjug(char** params, int n);
int COM_mult_bulk(char** params, int n);
int COM_close_mult(char** params, int n);
int COM_close_mult_display(char** params, int n);
int COM_browse_bulkinvariant(char** params, int n);
int COM_browse_MIPF(char** params, int n);

// Handlers: selection criteria of modular invariants (required, present and forbidden
// currents, automorphism pairings, display, reset, loop command, auto selection)
int COM_sel_left(char** params, int n);
int COM_sel_left_any(char** params, int n);
int COM_sel_right(char** params, int n);
int COM_sel_right_any(char** params, int n);
int COM_forbid_left(char** params, int n);
int COM_forbid_right(char** params, int n);
int COM_sel_auto(char** params, int n);
int COM_show_sel_crit(char** params, int n);
int COM_reset_selection(char** params, int n);
int COM_set_loop_com(char** params, int n);
int COM_set_autosel(char** params, int n);
int COM_set_sel_int(char** params, int n);

// Handlers: exchanges of identical tensor factors ("get permutation", "compute
// permutations"), the vacuum primary selection and the Gaussian sums ("Compute Gauss_sum")
int COM_permutate(char** params, int n);
int COM_permutations(char** params, int n);
int COM_set_prim_vacuum(char** params, int n);
int COM_Gauss(char** params, int n);
int COM_check_hom(char** params, int n);
// An assignment word "x:y": split at the first ':', both sides whole integers; false for
// anything else (the caller names the word in its alert).
bool ConvertAssign(const char* word, int* x, int* y);

// Handlers: simple-current invariants ("generate simple_current_invariants", "search MIPF
// simple_current", "start subgroup", "select simple_current_invariant with_torsion_subgroup"
// and "... in_torsion_subgroup")
int COM_comp_inv(char** params, int n);
int COM_subgroup_start(char** params, int n);
int COM_set_bulk(char** params, int n);
int COM_set_bulk_all(char** params, int n);

// Heterotic set-up commands of the default mode.
int COM_sel_rep(char** params, int n);
int COM_set_repname(char** params, int n);
int COM_pattern_reset(char** params, int n);
int COM_pattern_algebra(char** params, int n);
int COM_lift(char** params, int n);
int COM_set_allowed_primes(char** params, int n);
